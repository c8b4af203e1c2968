# libFuzzer targets for every parser of outside input (preset "fuzz": clang, ASan, UBSan).
# Each runs for VELNOR_FUZZ_SECONDS in ctest from the committed seeds; new inputs go to the build
# folder, never into the repository. Long runs: see the README.
if(NOT VELNOR_FUZZ)
  return()
endif()

set(VELNOR_FUZZ_SECONDS 40 CACHE STRING "How long ctest runs each fuzzer")

function(velnor_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE ${VELNOR_WARNINGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/host)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz.sh $<TARGET_FILE:${name}>
    ${CMAKE_CURRENT_LIST_DIR}/corpus/${name} ${CMAKE_BINARY_DIR}/corpus/${name}
    -max_total_time=${VELNOR_FUZZ_SECONDS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

velnor_fuzzer(format_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/format_fuzz.cpp LIBS velnor_traffic)
velnor_fuzzer(price_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/price_fuzz.cpp LIBS velnor_settings)
velnor_fuzzer(settings_file_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_file_fuzz.cpp
  ${PROJECT_SOURCE_DIR}/host/settings_syntax.cpp)
velnor_fuzzer(command_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_fuzz.cpp
  ${PROJECT_SOURCE_DIR}/src/plugin/command_words.cpp)
velnor_fuzzer(ledger_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/ledger_fuzz.cpp LIBS velnor_usage)
