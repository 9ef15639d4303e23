# Native build: the core's tests (plain and under AddressSanitizer + UBSan), the JSON fuzzer,
# the script printer used by the browser tests, and the benchmarks.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

set(CORE_TEST_SOURCES
    tests/core/text_json_test.cc
    tests/core/json_lookup_test.cc
    tests/core/fast_paths_test.cc
    tests/core/engine_test.cc
    tests/core/flat_api_test.cc
    tests/core/c_header_test.c
    tests/core/c_header_test_main.cc)

add_executable(core_tests ${CORE_TEST_SOURCES})
target_link_libraries(core_tests PRIVATE webview_core GTest::gtest GTest::gtest_main Threads::Threads)
add_test(NAME core_tests COMMAND core_tests)

set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_executable(core_tests_sanitized ${CORE_TEST_SOURCES})
target_compile_options(core_tests_sanitized PRIVATE ${SANITIZE} -O1)
target_link_options(core_tests_sanitized PRIVATE ${SANITIZE})
target_link_libraries(core_tests_sanitized PRIVATE webview_core GTest::gtest GTest::gtest_main
                                                   Threads::Threads)
add_test(NAME core_tests_sanitized COMMAND core_tests_sanitized)
set_tests_properties(core_tests_sanitized PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")

# It also prints the page texts exactly as the executable embeds them (the Windows build's header).
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${GENERATED_DIR}/app_assets.hh
  COMMAND ${CMAKE_COMMAND} -DCONF=${CMAKE_SOURCE_DIR}/app/suite.conf
          -DASSETS_DIR=${CMAKE_SOURCE_DIR}/app/assets -DOUT=${GENERATED_DIR}/app_assets.hh
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_assets.cmake
  DEPENDS app/suite.conf app/assets/native_bootstrap.js app/assets/native_helper.js
          app/assets/dock.js app/assets/offline.html cmake/embed_assets.cmake
  COMMENT "Embedding the page scripts and the offline page" VERBATIM)
add_executable(print_scripts tests/tools/print_scripts.cc ${GENERATED_DIR}/app_assets.hh)
target_include_directories(print_scripts PRIVATE ${GENERATED_DIR})
target_link_libraries(print_scripts PRIVATE webview_core Threads::Threads)

include(cmake/fuzz.cmake)

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(core_bench bench/core_bench.cc)
  target_compile_options(core_bench PRIVATE -O2)
  target_link_libraries(core_bench PRIVATE webview_core benchmark::benchmark Threads::Threads)
endif()

# The application's pure text rules also build natively.
add_executable(app_rules_tests tests/app/shell_text_rules_test.cc tests/app/suite_origin_test.cc
                               tests/app/window_placement_test.cc tests/app/handover_text_test.cc)
target_link_libraries(app_rules_tests PRIVATE GTest::gtest GTest::gtest_main)
add_test(NAME app_rules_tests COMMAND app_rules_tests)
