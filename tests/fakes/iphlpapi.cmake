# The scripted Iphlpapi.dll: a test copies it beside its executable with
# velnor_use_fake_iphlpapi(<target>) and runs with WINEDLLOVERRIDES=iphlpapi=n,b.
if(WIN32)
  add_library(fake_iphlpapi SHARED ${CMAKE_CURRENT_LIST_DIR}/fake_iphlpapi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_iphlpapi.def)
  target_compile_options(fake_iphlpapi PRIVATE ${VELNOR_WARNINGS})
  target_compile_definitions(fake_iphlpapi PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  set_target_properties(fake_iphlpapi PROPERTIES PREFIX "" OUTPUT_NAME Iphlpapi SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakes)
endif()
