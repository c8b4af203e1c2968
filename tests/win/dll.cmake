# The built DLL's export and import tables, read with objdump, in each build's own format.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(dll_format pei-x86-64)
  else()
    set(dll_format pei-i386)
  endif()
  add_test(NAME dll_tables COMMAND ${CMAKE_COMMAND}
    -DDLL=$<TARGET_FILE:Velnor> -DOBJDUMP=${CMAKE_OBJDUMP} -DFORMAT=${dll_format}
    -DEXPORTS_DEF=${PROJECT_SOURCE_DIR}/src/plugin/velnor.def
    -DSHELL_DEF=${VELNOR_SHELL_DIR}/kestrum.def
    -P ${PROJECT_SOURCE_DIR}/cmake/check_dll_tables.cmake)
endif()

# The check itself: a shell interface without ReadInt must make it name that import.
if(WIN32)
  file(STRINGS ${VELNOR_SHELL_DIR}/kestrum.def shell_lines)
  list(FILTER shell_lines EXCLUDE REGEX "^ReadInt$")
  list(JOIN shell_lines "\n" narrowed_shell)
  file(WRITE ${CMAKE_BINARY_DIR}/narrowed_shell.def "${narrowed_shell}\n")
  add_test(NAME dll_tables_catch_an_undeclared_import COMMAND ${CMAKE_COMMAND}
    -DDLL=$<TARGET_FILE:Velnor> -DOBJDUMP=${CMAKE_OBJDUMP} -DFORMAT=${dll_format}
    -DEXPORTS_DEF=${PROJECT_SOURCE_DIR}/src/plugin/velnor.def
    -DSHELL_DEF=${CMAKE_BINARY_DIR}/narrowed_shell.def
    -P ${PROJECT_SOURCE_DIR}/cmake/check_dll_tables.cmake)
  set_tests_properties(dll_tables_catch_an_undeclared_import PROPERTIES
    PASS_REGULAR_EXPRESSION "imports ReadInt from kestrum.exe, which the shell does not declare")
endif()
