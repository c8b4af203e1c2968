# The release zip: made with cpack, unpacked, its DLLs run in the stand-in shells. The zip is the
# 32-bit build's; it packs the 64-bit DLL of the win64 build, which runs in that build's shell.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  get_filename_component(win64_bin ${VELNOR_WIN64_DLL} DIRECTORY)
  find_program(VELNOR_WINE64 wine64 PATHS /usr/lib/wine)
  add_test(NAME package COMMAND ${CMAKE_COMMAND}
    -DCPACK=${CMAKE_CPACK_COMMAND} -DCONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
    -DWORK=${CMAKE_BINARY_DIR}/tests/package -DDLL=$<TARGET_FILE:Velnor>
    -DSAMPLE=${PROJECT_SOURCE_DIR}/samples/Velnor.rc -DKESTRUM=$<TARGET_FILE:kestrum>
    -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DOBJDUMP=${CMAKE_OBJDUMP}
    -DKESTRUM64=${win64_bin}/kestrum.exe -DWINE64=${VELNOR_WINE64}
    -P ${PROJECT_SOURCE_DIR}/cmake/check_package.cmake)
  set_tests_properties(package PROPERTIES ENVIRONMENT "${VELNOR_WINE_ENV}" TIMEOUT 180
    LABELS wine)
endif()
