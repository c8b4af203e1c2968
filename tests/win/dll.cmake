# The built DLL's export and import tables, read with objdump.
if(WIN32)
  add_test(NAME dll_tables COMMAND ${CMAKE_COMMAND}
    -DDLL=$<TARGET_FILE:Velnor> -DOBJDUMP=${CMAKE_OBJDUMP}
    -DEXPORTS_DEF=${PROJECT_SOURCE_DIR}/src/plugin/velnor.def
    -DSHELL_DEF=${PROJECT_SOURCE_DIR}/src/plugin/kestrum.def
    -P ${PROJECT_SOURCE_DIR}/cmake/check_dll_tables.cmake)
endif()
