# The traffic module's Win32-free code; the sampler test supplies the interface table and clock.
velnor_native_test(format_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/format_test.cpp LIBS velnor_traffic)
velnor_native_test(sampler_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sampler_test.cpp LIBS velnor_traffic)
# "Velnor.interface:": the choice's parsing and the sampler on rows by identity; the test supplies
# the rows, the route and the clock.
velnor_native_test(interface_choice_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface_choice_test.cpp LIBS velnor_traffic)
