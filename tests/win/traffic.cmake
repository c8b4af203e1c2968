# The interface table under Wine: against Wine's own GetIfTable, without the library, and against
# the scripted Iphlpapi.dll of tests/fakes; the sampler on the real loopback interface.
velnor_win_test(interface_table_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface_table_test.cpp LIBS velnor_traffic)
velnor_win_test(interface_table_missing_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface_table_missing_test.cpp LIBS velnor_traffic
  ENV WINEDLLOVERRIDES=iphlpapi=)
velnor_win_test(interface_table_fake_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface_table_fake_test.cpp LIBS velnor_traffic
  ENV WINEDLLOVERRIDES=iphlpapi=n,b)
velnor_use_fake_iphlpapi(interface_table_fake_test)
velnor_win_test(loopback_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/loopback_test.cpp LIBS velnor_traffic ws2_32)
