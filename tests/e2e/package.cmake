# The release zip: made with cpack, unpacked, its DLL run in the stand-in shell.
if(WIN32)
  add_test(NAME package COMMAND ${CMAKE_COMMAND}
    -DCPACK=${CMAKE_CPACK_COMMAND} -DCONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
    -DWORK=${CMAKE_BINARY_DIR}/tests/package -DDLL=$<TARGET_FILE:Velnor>
    -DSAMPLE=${PROJECT_SOURCE_DIR}/samples/Velnor.rc -DKESTRUM=$<TARGET_FILE:kestrum>
    -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DOBJDUMP=${CMAKE_OBJDUMP}
    -P ${PROJECT_SOURCE_DIR}/cmake/check_package.cmake)
  set_tests_properties(package PROPERTIES ENVIRONMENT "${VELNOR_WINE_ENV}" TIMEOUT 180)
endif()
