# The real Velnor.dll in kestrum.exe: every case runs in a folder of its own with the shell, the
# plug-in, its settings and, where counters must be known, the scripted Iphlpapi.dll.
if(WIN32)
  add_library(iphlpapi_without_entry SHARED ${CMAKE_CURRENT_LIST_DIR}/iphlpapi_without_entry.cpp)
  target_compile_options(iphlpapi_without_entry PRIVATE ${VELNOR_WARNINGS})
  target_include_directories(iphlpapi_without_entry PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_options(iphlpapi_without_entry PRIVATE -Wl,--kill-at)
  set_target_properties(iphlpapi_without_entry PROPERTIES PREFIX "" OUTPUT_NAME Iphlpapi
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakes/without_entry)

  # A test program of the end-to-end rig: the shell, the plug-in and the libraries it copies.
  function(velnor_e2e_test name source)
    velnor_win_test(${name}
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/${source} ${CMAKE_CURRENT_LIST_DIR}/plugin_e2e_rig.cpp
      LIBS kestrum_shell ${ARGN})
    target_compile_definitions(${name} PRIVATE
      E2E_WORK_DIR="${CMAKE_BINARY_DIR}/tests/${name}" E2E_WINE="${CMAKE_CROSSCOMPILING_EMULATOR}"
      E2E_KESTRUM_EXE="$<TARGET_FILE:kestrum>" E2E_VELNOR_DLL="$<TARGET_FILE:Velnor>"
      E2E_FAKE_IPHLPAPI="$<TARGET_FILE:fake_iphlpapi>"
      E2E_IPHLPAPI_WITHOUT_ENTRY="$<TARGET_FILE:iphlpapi_without_entry>"
      E2E_DEMO_RC="${PROJECT_SOURCE_DIR}/samples/demo.rc")
    add_dependencies(${name} kestrum Velnor fake_iphlpapi iphlpapi_without_entry)
  endfunction()
  velnor_e2e_test(plugin_e2e plugin_e2e_test.cpp)
  # The ledger on the real loopback interface, across a killed and a stopped shell.
  velnor_e2e_test(usage_e2e usage_e2e_test.cpp velnor_usage ws2_32)
  # It moves the pointer and photographs the screen, which are shared: nothing runs beside it.
  velnor_e2e_test(tooltip_e2e tooltip_e2e_test.cpp)
  set_tests_properties(tooltip_e2e PROPERTIES RUN_SERIAL TRUE)
endif()
if(WIN32)
  # The usage window: it photographs a window on the shared screen, so nothing runs beside it.
  velnor_e2e_test(usage_window_e2e usage_window_e2e_test.cpp velnor_usage)
  set_tests_properties(usage_window_e2e PROPERTIES RUN_SERIAL TRUE)
endif()
if(WIN32)
  # A data cap crossed while the widget runs: it photographs the screen, so nothing runs beside it.
  velnor_e2e_test(cap_e2e cap_e2e_test.cpp)
  set_tests_properties(cap_e2e PROPERTIES RUN_SERIAL TRUE)
endif()
