# The release zip (cpack in the win32 build, or the "package" target): Velnor.dll, the sample
# settings file under the name the DLL reads (Velnor.rc beside it), and the README's user part.
# A 64-bit DLL from the win64 build goes beside it under x64/ when that build exists.

install(FILES $<TARGET_FILE:Velnor> DESTINATION .)

# The sample settings file; skipped while the repository has none.
set(VELNOR_SAMPLE_SETTINGS ${PROJECT_SOURCE_DIR}/samples/Velnor.rc)
install(FILES ${VELNOR_SAMPLE_SETTINGS} DESTINATION . OPTIONAL)

set(VELNOR_WIN64_DLL ${PROJECT_SOURCE_DIR}/build/win64/bin/Velnor.dll CACHE FILEPATH
  "The 64-bit Velnor.dll packed beside the 32-bit one when it exists")
# Looked for when the zip is made, not when the build is configured.
install(CODE "
  if(EXISTS \"${VELNOR_WIN64_DLL}\")
    file(INSTALL \"${VELNOR_WIN64_DLL}\" DESTINATION \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/x64\")
  endif()")

# The user part of README.md is what lies between the lines "<!-- user part -->" and
# "<!-- end of user part -->"; without those lines the whole README goes in.
set(readme ${PROJECT_SOURCE_DIR}/README.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme})
file(READ ${readme} readme_text)
string(FIND "${readme_text}" "<!-- user part -->" user_begin)
string(FIND "${readme_text}" "<!-- end of user part -->" user_end)
if(user_begin GREATER_EQUAL 0 AND user_end GREATER user_begin)
  string(LENGTH "<!-- user part -->" marker_length)
  math(EXPR user_begin "${user_begin} + ${marker_length}")
  math(EXPR user_length "${user_end} - ${user_begin}")
  string(SUBSTRING "${readme_text}" ${user_begin} ${user_length} readme_text)
  string(STRIP "${readme_text}" readme_text)
  string(APPEND readme_text "\n")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/package/README.md "${readme_text}")
install(FILES ${CMAKE_BINARY_DIR}/package/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Velnor)
set(CPACK_PACKAGE_VENDOR "Velnor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Velnor-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)
