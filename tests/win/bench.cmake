# The benchmark: the scripted Iphlpapi.dll beside it under a name of its own (under its real name
# Wine would hand out the built-in one, which the real-table figures need), and a smoke run with a
# few rounds so that it cannot rot. The smoke run checks that every figure was measured and that
# the widget allocated nothing in steady state; it asserts no time.
if(WIN32 AND TARGET bench AND TARGET fake_iphlpapi)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/bench_iftable.dll
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fake_iphlpapi> ${CMAKE_BINARY_DIR}/bin/bench_iftable.dll
    DEPENDS fake_iphlpapi VERBATIM)
  add_custom_target(bench_iftable DEPENDS ${CMAKE_BINARY_DIR}/bin/bench_iftable.dll)
  add_dependencies(bench bench_iftable)
  add_test(NAME bench_smoke COMMAND bench --quick WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(bench_smoke PROPERTIES ENVIRONMENT "${VELNOR_WINE_ENV}" TIMEOUT 120
    LABELS wine)
endif()
