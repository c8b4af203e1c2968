# The usage ledger: calendar and checkpoint rules, the ledger and its file.
velnor_native_test(usage_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/calendar_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ledger_test.cpp
  LIBS velnor_usage)
