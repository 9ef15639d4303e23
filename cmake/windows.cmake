# Windows build (mingw-w64): everything that targets Windows, linked statically so that the
# programs need nothing but system DLLs. Tests run under Wine, one ctest test per executable.
add_link_options(-static -static-libgcc -static-libstdc++)

set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN} ${CMAKE_BINARY_DIR})

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# One prefix, one display and one wineserver for the whole run.
add_test(NAME wine_start COMMAND ${WINE_RUN} ${CMAKE_BINARY_DIR} --start)
add_test(NAME wine_stop COMMAND ${WINE_RUN} ${CMAKE_BINARY_DIR} --stop)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

function(add_wine_test name)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()

add_executable(core_tests_windows
    tests/core/text_json_test.cc
    tests/core/json_lookup_test.cc
    tests/core/fast_paths_test.cc
    tests/core/engine_test.cc
    tests/core/flat_api_test.cc
    tests/core/c_header_test.c
    tests/core/c_header_test_main.cc)
target_link_libraries(core_tests_windows PRIVATE webview_core gtest gtest_main)
add_wine_test(core_tests_windows)

# The WebView2 declarations against the published slot order and interface ids.
add_executable(webview2_interfaces_test tests/windows/webview2_interfaces_test.cc)
target_link_libraries(webview2_interfaces_test PRIVATE webview_core gtest gtest_main ole32)
add_wine_test(webview2_interfaces_test)

# Test double of the WebView2 Runtime (never part of the shipped program).
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/webview2_double/CMakeLists.txt)
  add_subdirectory(tests/webview2_double)
endif()

# Helpers of the run command (never shipped).
add_subdirectory(tools/run_support)

# Browser-backed runtime for running the program on Linux (a tool, never shipped).
add_subdirectory(tools/browser_runtime)

# Libraries the Windows backend imports; dwmapi, shcore and ntdll are looked up at run time.
set(WIN32_BACKEND_LIBS ole32 shell32 shlwapi user32 advapi32)
add_library(webview_win32 INTERFACE)
target_link_libraries(webview_win32 INTERFACE webview_core ${WIN32_BACKEND_LIBS})
target_compile_definitions(webview_win32 INTERFACE UNICODE _UNICODE)

# The flat C interface as a DLL (webview.dll with its import library libwebview.dll.a).
add_library(webview SHARED core/dll/webview.cc)
target_link_libraries(webview PRIVATE webview_win32)
target_compile_definitions(webview PUBLIC WEBVIEW_SHARED)
set_target_properties(webview PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)

# A C program using the DLL.
add_executable(example_c examples/c/basic.c)
target_include_directories(example_c PRIVATE core/include)
target_link_libraries(example_c PRIVATE webview)

# The nested wait for the browser's answers.
add_executable(message_wait_test tests/windows/message_wait_test.cc)
target_link_libraries(message_wait_test PRIVATE webview_win32 gtest gtest_main)
add_wine_test(message_wait_test)

add_executable(registry_runtime_test tests/windows/registry_runtime_test.cc)
target_link_libraries(registry_runtime_test PRIVATE webview_win32 gtest gtest_main)
add_wine_test(registry_runtime_test)

# Shell pieces that need Win32.
add_executable(shell_windows_test tests/app/shell_windows_test.cc)
target_link_libraries(shell_windows_test PRIVATE webview_win32 gtest gtest_main)
add_wine_test(shell_windows_test)

# One program per user and session: the lock and the hand-over between two threads.
add_executable(single_instance_test tests/windows/single_instance_test.cc)
target_link_libraries(single_instance_test PRIVATE gtest gtest_main user32 advapi32)
add_wine_test(single_instance_test)

# The page scripts, the offline page and the configuration, turned into a header at build time.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(APP_ASSETS_HH ${GENERATED_DIR}/app_assets.hh)
add_custom_command(
  OUTPUT ${APP_ASSETS_HH}
  COMMAND ${CMAKE_COMMAND} -DCONF=${CMAKE_SOURCE_DIR}/app/suite.conf
          -DASSETS_DIR=${CMAKE_SOURCE_DIR}/app/assets -DOUT=${APP_ASSETS_HH}
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_assets.cmake
  DEPENDS app/suite.conf app/assets/native_bootstrap.js app/assets/native_helper.js
          app/assets/dock.js app/assets/offline.html cmake/embed_assets.cmake
  COMMENT "Embedding the page scripts and the offline page" VERBATIM)
add_custom_target(app_assets DEPENDS ${APP_ASSETS_HH})

# Application icon, drawn at build time; resources of the executable.
find_program(NODE_EXECUTABLE node REQUIRED)
set(ZORVEL_ICON_DIR ${CMAKE_BINARY_DIR}/resources)
set(ZORVEL_ICON ${ZORVEL_ICON_DIR}/zorvel.ico)
set(ZORVEL_ICON_RC ${ZORVEL_ICON_DIR}/icons.rc)
add_custom_command(
  OUTPUT ${ZORVEL_ICON} ${ZORVEL_ICON_RC}
  COMMAND ${NODE_EXECUTABLE} ${CMAKE_SOURCE_DIR}/app/resources/make_icon.mjs ${ZORVEL_ICON}
          --resources ${ZORVEL_ICON_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/app/resources/make_icon.mjs
  COMMENT "Drawing the application icon"
  VERBATIM)
add_custom_target(zorvel_icon DEPENDS ${ZORVEL_ICON} ${ZORVEL_ICON_RC})
set(ZORVEL_RC ${CMAKE_SOURCE_DIR}/app/resources/app.rc)
set_source_files_properties(${ZORVEL_RC} PROPERTIES
  OBJECT_DEPENDS "${ZORVEL_ICON};${ZORVEL_ICON_RC};${CMAKE_SOURCE_DIR}/app/resources/app.manifest"
  INCLUDE_DIRECTORIES "${ZORVEL_ICON_DIR};${CMAKE_SOURCE_DIR}/app/resources")

# The desktop application.
# Built for size: the program's time goes to waiting on the browser, and its few hot loops (the
# launch file's hand-over, text conversions) keep their speed at -Os, as launch_file_bench,
# built the same way, shows. Unused sections are dropped and symbols stripped.
set(APP_SIZE_COMPILE_OPTIONS -Os -ffunction-sections -fdata-sections)
set(APP_SIZE_LINK_OPTIONS -s -Wl,--gc-sections)
add_executable(ZorvelOffice WIN32 app/main.cc ${ZORVEL_RC})
add_dependencies(ZorvelOffice app_assets zorvel_icon)
target_compile_options(ZorvelOffice PRIVATE ${APP_SIZE_COMPILE_OPTIONS})
target_link_options(ZorvelOffice PRIVATE ${APP_SIZE_LINK_OPTIONS})
target_include_directories(ZorvelOffice PRIVATE ${GENERATED_DIR})
target_link_libraries(ZorvelOffice PRIVATE webview_win32)
set_target_properties(ZorvelOffice PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)

# Its per-user setup program and machine-wide package.
add_subdirectory(installer)


# Benchmark (not a test): the hand-over of the largest launch file.
add_executable(launch_file_bench bench/launch_file_bench.cc)
target_link_libraries(launch_file_bench PRIVATE webview_win32)
# Its counting operator new keeps each block's size in front of the block; once inlined, GCC
# takes the offset pointers for mismatched or out-of-bounds ones.
target_compile_options(launch_file_bench PRIVATE -Wno-mismatched-new-delete -Wno-array-bounds
                                                 ${APP_SIZE_COMPILE_OPTIONS})

# Benchmark (not a test): start-up to the first navigation with the runtime double, beside a
# bare window program.
add_executable(bare_window WIN32 bench/bare_window.cc)
target_link_libraries(bare_window PRIVATE shell32 user32)
add_executable(startup_bench bench/startup_bench.cc)
target_compile_definitions(startup_bench PRIVATE UNICODE _UNICODE
    "ZORVEL_APP_EXE=\"$<TARGET_FILE:ZorvelOffice>\""
    "WV2D_LOADER_DLL=\"$<TARGET_FILE:webview2_double_loader>\""
    "BARE_WINDOW_EXE=\"$<TARGET_FILE:bare_window>\"")
target_link_libraries(startup_bench PRIVATE advapi32 user32)
add_dependencies(startup_bench ZorvelOffice webview2_double_loader bare_window)

add_executable(resources_test app/resources/resources_test.cc ${ZORVEL_RC})
add_dependencies(resources_test zorvel_icon)
target_link_libraries(resources_test PRIVATE gtest gtest_main version gdi32 user32)
add_wine_test(resources_test)

# End-to-end tests of the application, driven from outside the process.
add_subdirectory(tests/e2e)
# The installers, installed, used and removed in a Wine prefix of their own.
add_subdirectory(tests/installer)

# The engine with the runtime double: once through the loader library beside the executable,
# once through the runtime's registration (each in a folder of its own, since a loaded loader
# library stays loaded for the rest of the process).
add_executable(engine_loader_test tests/windows/engine_test.cc)
target_compile_definitions(engine_loader_test PRIVATE ENGINE_TEST_VIA_LOADER)
set_target_properties(engine_loader_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/engine_loader)
target_link_libraries(engine_loader_test PRIVATE webview_win32 gtest gtest_main)
add_dependencies(engine_loader_test webview2_double_loader)
add_custom_command(TARGET engine_loader_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:webview2_double_loader>
          $<TARGET_FILE_DIR:engine_loader_test>/WebView2Loader.dll)
add_wine_test(engine_loader_test)

add_executable(engine_registry_test tests/windows/engine_test.cc)
target_compile_definitions(engine_registry_test PRIVATE
  DOUBLE_RUNTIME_DLL="$<TARGET_FILE:webview2_double_runtime>")
set_target_properties(engine_registry_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/engine_registry)
target_link_libraries(engine_registry_test PRIVATE webview_win32 gtest gtest_main)
add_dependencies(engine_registry_test webview2_double_runtime)
add_wine_test(engine_registry_test)

# The engine's window procedure when the host's message hook throws (the double's loader beside it).
add_executable(window_procedure_test tests/windows/window_procedure_test.cc)
set_target_properties(window_procedure_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/window_procedure)
target_link_libraries(window_procedure_test PRIVATE webview_win32 gtest gtest_main)
add_dependencies(window_procedure_test webview2_double_loader)
add_custom_command(TARGET window_procedure_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:webview2_double_loader>
          $<TARGET_FILE_DIR:window_procedure_test>/WebView2Loader.dll)
add_wine_test(window_procedure_test)

add_test(NAME example_c_end_to_end
         COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/example_c_test.sh ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:example_c> $<TARGET_FILE:webview> $<TARGET_FILE:webview2_double_loader>)
set_tests_properties(example_c_end_to_end PROPERTIES FIXTURES_REQUIRED wine)

# The dark title bar, observed through a stand-in dwmapi.dll that theme_test.sh puts into the
# prefix's System32 for the test (system libraries are taken from there only).
add_library(dwmapi_standin SHARED tests/windows/dwmapi_standin.cc tests/windows/dwmapi_standin.def)
set_target_properties(dwmapi_standin PROPERTIES PREFIX "" OUTPUT_NAME dwmapi
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/theme_test/standin)
add_executable(theme_test tests/windows/theme_test.cc)
set_target_properties(theme_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/theme_test)
target_link_libraries(theme_test PRIVATE webview_win32 gtest gtest_main)
add_dependencies(theme_test dwmapi_standin webview2_double_loader)
add_custom_command(TARGET theme_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:webview2_double_loader>
          $<TARGET_FILE_DIR:theme_test>/WebView2Loader.dll)
add_test(NAME theme_test
         COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/theme_test.sh ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:theme_test> $<TARGET_FILE:dwmapi_standin>)
set_tests_properties(theme_test PROPERTIES FIXTURES_REQUIRED wine)

# Sizes at 120 and 144 DPI, each in a prefix of its own.
foreach(dpi 120 144)
  add_test(NAME engine_sizes_at_${dpi}_dpi
           COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/run_at_dpi.sh ${CMAKE_BINARY_DIR} ${dpi}
                   $<TARGET_FILE:engine_loader_test> --gtest_filter=Engine.SizesScaleWithTheWindowDpi:Engine.DefaultSizeOnlyWhenNoSizeWasSet)
endforeach()
