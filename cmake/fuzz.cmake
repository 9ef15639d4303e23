# The JSON fuzzer needs clang's libFuzzer; it is built with clang whatever the main compiler is.
find_program(CLANGXX clang++)
if(CLANGXX)
  set(FUZZ_BIN ${CMAKE_CURRENT_BINARY_DIR}/fuzz/json_fuzz)
  add_custom_command(
    OUTPUT ${FUZZ_BIN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/fuzz
    COMMAND ${CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_CURRENT_SOURCE_DIR}/core/include
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/json_fuzz.cc -o ${FUZZ_BIN}
    DEPENDS tests/fuzz/json_fuzz.cc core/include/webview/detail/json.hh
            core/include/webview/detail/utf_portable.hh core/include/webview/detail/ascii_words.hh
            tests/core/reference_json.hh tests/core/reference_utf.hh
    COMMENT "Building the JSON fuzzer with clang")
  add_custom_target(json_fuzz ALL DEPENDS ${FUZZ_BIN})
  # Bounded run from the seed corpus; new inputs go to a scratch folder, never the tree.
  add_test(NAME json_fuzz
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   sh -c "rm -rf fuzz-corpus && mkdir fuzz-corpus && exec ${FUZZ_BIN} -max_total_time=40 -timeout=10 -print_final_stats=1 fuzz-corpus ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/corpus"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
else()
  message(WARNING "clang++ not found: the JSON fuzzer is not built")
endif()
