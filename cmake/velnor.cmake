# Project-wide helpers: warning flags, product-code flags, and the test-target functions that the
# per-module fragments under tests/ call.

# The shell interface (shell.h, kestrum.def), included by the plug-in, the stand-in shell and tests.
set(VELNOR_SHELL_DIR ${PROJECT_SOURCE_DIR}/shell)

set(VELNOR_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)

option(VELNOR_FUZZ "Build the libFuzzer targets (clang) instead of the unit tests" OFF)

if(VELNOR_SANITIZE AND NOT WIN32)
  if(VELNOR_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Product code: warnings are errors, no exceptions or RTTI, nothing GNU-only.
function(velnor_product target)
  target_compile_options(${target} PRIVATE ${VELNOR_WARNINGS} -fno-exceptions -fno-rtti)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${VELNOR_SHELL_DIR})
  if(WIN32)
    target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  endif()
endfunction()

if(VELNOR_TESTS AND NOT VELNOR_FUZZ)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# velnor_native_test(name SOURCES ... LIBS ...): a GoogleTest program of the host compiler.
function(velnor_native_test name)
  if(WIN32 OR VELNOR_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${VELNOR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${VELNOR_SHELL_DIR}
    ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# velnor_win_test(name SOURCES ... LIBS ... [ENV VAR=value ...]): a MinGW GoogleTest program run
# under Wine. Each lives in its own folder, so a scripted Iphlpapi.dll or a kestrum.exe placed
# beside one never reaches another.
set(VELNOR_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH
  "The Wine prefix of the tests (the presets give both Windows builds one, see scripts/wine.sh)")
set(VELNOR_WINE_ENV "WINEPREFIX=${VELNOR_WINE_PREFIX}" "WINEDEBUG=-all")
function(velnor_win_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${VELNOR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${VELNOR_SHELL_DIR}
    ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  target_link_libraries(${name} PRIVATE ${T_LIBS} velnor_support GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${VELNOR_WINE_ENV};${T_ENV}" TIMEOUT 300
    LABELS wine)
endfunction()

# velnor_use_fake_iphlpapi(target): keeps a copy of the scripted Iphlpapi.dll (tests/fakes)
# beside the target's executable, refreshed whenever the fake is rebuilt. Run the target with
# WINEDLLOVERRIDES=iphlpapi=n,b so that Wine prefers it to its own.
function(velnor_use_fake_iphlpapi target)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT dir)
    set(dir ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_custom_command(OUTPUT ${dir}/Iphlpapi.dll
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fake_iphlpapi> ${dir}/Iphlpapi.dll
    DEPENDS fake_iphlpapi VERBATIM)
  add_custom_target(${target}_iphlpapi DEPENDS ${dir}/Iphlpapi.dll)
  add_dependencies(${target} ${target}_iphlpapi)
endfunction()
