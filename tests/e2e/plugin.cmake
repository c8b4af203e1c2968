# The real Velnor.dll in kestrum.exe: every case runs in a folder of its own with the shell, the
# plug-in, its settings and, where counters must be known, the scripted Iphlpapi.dll.
if(WIN32)
  add_library(iphlpapi_without_entry SHARED ${CMAKE_CURRENT_LIST_DIR}/iphlpapi_without_entry.cpp)
  target_compile_options(iphlpapi_without_entry PRIVATE ${VELNOR_WARNINGS})
  target_include_directories(iphlpapi_without_entry PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_options(iphlpapi_without_entry PRIVATE -Wl,--kill-at)
  set_target_properties(iphlpapi_without_entry PROPERTIES PREFIX "" OUTPUT_NAME Iphlpapi
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakes/without_entry)

  velnor_win_test(plugin_e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/plugin_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_e2e_rig.cpp
    LIBS kestrum_shell)
  target_compile_definitions(plugin_e2e PRIVATE
    E2E_WORK_DIR="${CMAKE_BINARY_DIR}/tests/plugin_e2e" E2E_WINE="${CMAKE_CROSSCOMPILING_EMULATOR}"
    E2E_KESTRUM_EXE="$<TARGET_FILE:kestrum>" E2E_VELNOR_DLL="$<TARGET_FILE:Velnor>"
    E2E_FAKE_IPHLPAPI="$<TARGET_FILE:fake_iphlpapi>"
    E2E_IPHLPAPI_WITHOUT_ENTRY="$<TARGET_FILE:iphlpapi_without_entry>")
  add_dependencies(plugin_e2e kestrum Velnor fake_iphlpapi iphlpapi_without_entry)
endif()
