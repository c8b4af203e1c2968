velnor_native_test(command_words_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_words_test.cpp ${PROJECT_SOURCE_DIR}/src/plugin/command_words.cpp)
# The shipped settings files against the key table.
velnor_native_test(sample_settings_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sample_settings_test.cpp LIBS velnor_settings)
if(TARGET sample_settings_test)
  target_compile_definitions(sample_settings_test PRIVATE VELNOR_SAMPLES="${PROJECT_SOURCE_DIR}/samples")
endif()
