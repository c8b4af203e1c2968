# The traffic module's Win32-free code; the sampler test supplies the interface table and clock.
velnor_native_test(format_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/format_test.cpp LIBS velnor_traffic)
velnor_native_test(sampler_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sampler_test.cpp LIBS velnor_traffic)
