# The settings key table, the allowance's figures and texts, the price conversion, the path splitting and the shell's file syntax.
velnor_native_test(settings_unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_keys_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/cap_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/price_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/paths_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/settings_syntax_test.cpp
          ${PROJECT_SOURCE_DIR}/host/settings_syntax.cpp
  LIBS velnor_settings)
if(TARGET settings_unit)
  target_include_directories(settings_unit PRIVATE ${PROJECT_SOURCE_DIR}/host)
endif()
