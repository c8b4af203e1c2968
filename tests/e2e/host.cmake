# The stand-in shell as a process: kestrum.exe with a probe plug-in of its own, and its exports.
if(WIN32)
  set(host_driver_dir ${CMAKE_BINARY_DIR}/tests/host_driver)
  add_library(host_probe SHARED ${CMAKE_CURRENT_LIST_DIR}/host_probe.cpp)
  target_compile_options(host_probe PRIVATE ${VELNOR_WARNINGS})
  target_include_directories(host_probe PRIVATE ${PROJECT_SOURCE_DIR}/src ${VELNOR_SHELL_DIR})
  target_compile_definitions(host_probe PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  target_link_libraries(host_probe PRIVATE kestrum_imports)
  set_target_properties(host_probe PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${host_driver_dir})

  velnor_win_test(host_driver SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_driver_test.cpp)
  # The plug-in imports from kestrum.exe, so the shell must run under that name beside it.
  add_custom_command(OUTPUT ${host_driver_dir}/kestrum.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kestrum> ${host_driver_dir}/kestrum.exe
    DEPENDS kestrum VERBATIM)
  add_custom_target(host_driver_shell ALL DEPENDS ${host_driver_dir}/kestrum.exe)
  add_dependencies(host_driver host_driver_shell host_probe)

  add_test(NAME host_exports COMMAND ${CMAKE_COMMAND}
    -DEXE=$<TARGET_FILE:kestrum> -DOBJDUMP=${CMAKE_OBJDUMP}
    -DSHELL_DEF=${VELNOR_SHELL_DIR}/kestrum.def
    -P ${PROJECT_SOURCE_DIR}/cmake/check_exe_exports.cmake)
  # The drag moves the real mouse over the shared Xvfb screen: no other test's windows meanwhile.
  set_tests_properties(host_driver PROPERTIES RUN_SERIAL TRUE)
endif()
