// The Windows engine under Wine with the WebView2 test double, reached either through the loader
// library beside this executable or through the runtime's registration in the registry.
#include "../e2e/e2e_support.hh"
#include "../webview2_double/webview2_double.h"

#include <webview/detail/backends/win32_edge_engine.hh>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace webview;
using namespace webview::detail;
using e2e::register_runtime;
using e2e::unregister_runtime;

#ifdef ENGINE_TEST_VIA_LOADER
constexpr const char *creation_call = "CreateCoreWebView2EnvironmentWithOptions";
#else
constexpr const char *creation_call = "CreateWebViewEnvironmentWithOptionsInternal";
// The folder registered for the runtime.
std::wstring runtime_folder() {
  return e2e::runtime_folder_of(e2e::windows_path(DOUBLE_RUNTIME_DLL));
}
#endif

// The double's control functions, from the module the engine uses.
wv2d::Api double_api() {
#ifdef ENGINE_TEST_VIA_LOADER
  static HMODULE module = LoadLibraryW(L"WebView2Loader.dll");
#else
  static HMODULE module = LoadLibraryW(e2e::windows_path(DOUBLE_RUNTIME_DLL).c_str());
#endif
  return wv2d::Api::load(module);
}

// Records the messages the page posted, as the engine hands them over.
class recording_engine : public win32_edge_engine {
public:
  using win32_edge_engine::win32_edge_engine;
  std::vector<std::string> messages;

protected:
  void on_message(const std::string &message) override {
    messages.push_back(message);
    win32_edge_engine::on_message(message);
  }
};

// Runs the engine's loop until everything dispatched so far has run.
void run_until_idle(engine_base &engine) {
  engine.dispatch([&engine] { engine.terminate(); });
  engine.run();
}

std::size_t count_lines(const std::vector<std::string> &lines, const std::string &prefix) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string &l) {
        return l.compare(0, prefix.size(), prefix) == 0;
      }));
}

bool quit_pending() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class Engine : public testing::Test {
protected:
  void SetUp() override {
    api = double_api();
    ASSERT_TRUE(api.valid()) << "the double is not where the engine looks for it";
    api.reset();
#ifndef ENGINE_TEST_VIA_LOADER
    e2e::unregister_runtime();
    ASSERT_TRUE(e2e::register_runtime(HKEY_CURRENT_USER, runtime_folder()));
#endif
    while (quit_pending()) {
    }
  }
  void TearDown() override {
    EXPECT_EQ(window_count.load(), 0);
    EXPECT_EQ(api.live_objects(), 0) << "the engine leaked browser objects";
#ifndef ENGINE_TEST_VIA_LOADER
    unregister_runtime();
#endif
  }

  // The error a construction throws, or code 0 when it succeeds.
  static webview::exception construction_error(bool debug = false) {
    try {
      win32_edge_engine engine(debug, nullptr);
    } catch (const webview::exception &e) {
      return e;
    }
    return webview::exception(0, "");
  }

  std::vector<std::string> calls() const {
    return api.program_calls();
  }

  wv2d::Api api;
};

TEST_F(Engine, EmbedsTheBrowserInOrder) {
  {
    win32_edge_engine engine(false, nullptr);
    const auto lines = calls();
    std::vector<std::string> names;
    for (const auto &line : lines) {
      names.push_back(line.substr(0, line.find(' ')));
    }
    const std::vector<std::string> expected = {creation_call,
                                               "CreateCoreWebView2Controller",
                                               "get_CoreWebView2",
                                               "add_WebMessageReceived",
                                               "add_PermissionRequested",
                                               "get_Settings",
                                               "put_AreDevToolsEnabled",
                                               "put_IsStatusBarEnabled",
                                               "AddScriptToExecuteOnDocumentCreated",
                                               "put_Bounds",
                                               "put_IsVisible",
                                               "MoveFocus"};
    std::vector<std::string> relevant;
    for (const auto &name : names) {
      if (std::find(expected.begin(), expected.end(), name) != expected.end()) {
        relevant.push_back(name);
      }
    }
    EXPECT_EQ(relevant, expected);
    EXPECT_EQ(count_lines(lines, "put_AreDevToolsEnabled 0"), 1u);
    EXPECT_EQ(count_lines(lines, "put_IsStatusBarEnabled 0"), 1u);
    EXPECT_EQ(count_lines(lines, "put_IsVisible 1"), 1u);
    EXPECT_EQ(count_lines(lines, "MoveFocus 0"), 1u);
    EXPECT_EQ(count_lines(lines, "AddScriptToExecuteOnDocumentCreated 1 (function() {"), 1u);

    // The profile lives in the roaming application-data folder, named after the executable.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring name = exe;
    name = name.substr(name.find_last_of(L'\\') + 1);
    std::string utf8_name(name.begin(), name.end());
    const auto creation = std::find_if(lines.begin(), lines.end(), [](const std::string &l) {
      return l.rfind(creation_call, 0) == 0;
    });
    ASSERT_NE(creation, lines.end());
    EXPECT_NE(creation->find("AppData\\\\Roaming\\\\" + utf8_name), std::string::npos) << *creation;

    auto window = engine.get_window();
    ASSERT_TRUE(window.ok());
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(window.value()))) << "hidden until sized";
    EXPECT_TRUE(engine.get_widget().ok());
    EXPECT_TRUE(engine.get_browser_controller().ok());
    EXPECT_EQ(window_count.load(), 1);
  }
  EXPECT_EQ(window_count.load(), 0);
}

TEST_F(Engine, DebugFlagEnablesDeveloperTools) {
  win32_edge_engine engine(true, nullptr);
  EXPECT_EQ(count_lines(calls(), "put_AreDevToolsEnabled 1"), 1u);
}

TEST_F(Engine, SettingsMustAnswerExactlyOk) {
  const struct {
    const char *call;
    HRESULT result;
    const char *message;
  } rows[] = {{"get_Settings", S_FALSE, "get_Settings failed"},
              {"put_AreDevToolsEnabled", S_FALSE, "put_AreDevToolsEnabled failed"},
              {"put_IsStatusBarEnabled", E_FAIL, "put_IsStatusBarEnabled failed"}};
  for (const auto &row : rows) {
    api.reset();
    api.set_fault(row.call, row.result, 1);
    const auto e = construction_error();
    EXPECT_EQ(e.code(), -1) << row.call;
    EXPECT_STREQ(e.what(), row.message);
    EXPECT_EQ(FindWindowW(L"webview", nullptr), nullptr) << "a failed engine leaves no window";
  }
}

TEST_F(Engine, NoRuntimeIsMissingDependency) {
#ifdef ENGINE_TEST_VIA_LOADER
  api.set_fault("GetAvailableCoreWebView2BrowserVersionString",
                HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), 1);
  auto e = construction_error();
  EXPECT_EQ(e.code(), -5);
  EXPECT_STREQ(e.what(), "WebView2 is unavailable");
  api.set_fault("GetAvailableCoreWebView2BrowserVersionString", S_OK, 1); // success, no text
  e = construction_error();
  EXPECT_EQ(e.code(), -5);
#else
  unregister_runtime();
  const auto e = construction_error();
  EXPECT_EQ(e.code(), -5);
  EXPECT_STREQ(e.what(), "WebView2 is unavailable");
#endif
}

TEST_F(Engine, RefusedCreationRetriesThenFails) {
  api.set_fault(creation_call, E_FAIL, 2);
  {
    win32_edge_engine engine(false, nullptr);
    EXPECT_EQ(count_lines(calls(), creation_call), 3u) << "two refusals, then a creation";
  }
  api.reset();
  api.set_fault("EnvironmentCompleted", E_FAIL, 1);
  api.set_fault("ControllerCompleted", E_FAIL, 1);
  {
    win32_edge_engine engine(false, nullptr);
    EXPECT_EQ(count_lines(calls(), creation_call), 3u)
        << "a failed environment and a failed controller each start a new attempt";
  }
}

#ifdef ENGINE_TEST_VIA_LOADER
TEST_F(Engine, SixtyAttemptsWithPausesThenInvalidState) {
  api.set_fault(creation_call, E_FAIL, -1);
  win32_edge_deadlines limits;
  limits.attempt_pause = std::chrono::milliseconds(20);
  const auto start = std::chrono::steady_clock::now();
  int code = 0;
  std::string message = "none";
  try {
    win32_edge_engine engine(false, nullptr, limits);
  } catch (const webview::exception &e) {
    code = e.code();
    message = e.message();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(code, -3);
  EXPECT_EQ(message, "");
  EXPECT_EQ(count_lines(calls(), creation_call), 60u);
  EXPECT_GE(elapsed, std::chrono::milliseconds(60 * 20 - 50)) << "a pause after each attempt";
}
#endif

TEST(RecoveryPolicy, BoundsRecoveriesInAnyTenMinutesAndAsksAboutHangsThatKeepComing) {
  using std::chrono::minutes;
  using std::chrono::seconds;
  webview2_recovery_policy policy;
  const auto t0 = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
  const auto renderer = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED;
  const auto browser = COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED;
  const auto hang = COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE;
  EXPECT_EQ(policy.on_process_failed(renderer, t0), browser_recovery::reload);
  EXPECT_EQ(policy.on_process_failed(browser, t0 + minutes(4)), browser_recovery::replace);
  EXPECT_EQ(policy.on_process_failed(renderer, t0 + minutes(8)), browser_recovery::reload);
  EXPECT_EQ(policy.on_process_failed(renderer, t0 + minutes(9)), browser_recovery::give_up)
      << "a fourth within ten minutes";
  EXPECT_EQ(policy.on_process_failed(renderer, t0 + minutes(10) + seconds(1)),
            browser_recovery::reload)
      << "the first has left the ten minutes";

  // Hangs: three reports within a minute ask; reports further apart never add up.
  EXPECT_EQ(policy.on_process_failed(hang, t0), browser_recovery::none);
  EXPECT_EQ(policy.on_process_failed(hang, t0 + seconds(50)), browser_recovery::none);
  EXPECT_EQ(policy.on_process_failed(hang, t0 + seconds(70)), browser_recovery::none)
      << "the first report is more than a minute old";
  EXPECT_EQ(policy.on_process_failed(hang, t0 + seconds(80)), browser_recovery::ask_user);
  EXPECT_EQ(policy.on_process_failed(hang, t0 + seconds(81)), browser_recovery::none)
      << "after a question, as many reports again";
  for (int kind : {3, 4, 6}) {
    EXPECT_EQ(policy.on_process_failed(static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind), t0),
              browser_recovery::none);
  }
}

TEST(EnvironmentOptions, SingleSignOnAndOnlyTheInterfaceItImplements) {
  auto *options = new webview2_environment_options();
  void *found = nullptr;
  EXPECT_EQ(options->QueryInterface(IID_IUnknown, &found), S_OK);
  EXPECT_EQ(found, static_cast<ICoreWebView2EnvironmentOptions *>(options));
  options->Release();
  EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &found), S_OK);
  options->Release();
  // ICoreWebView2EnvironmentOptions2 is a separate interface: answering it would be a lie.
  const IID options2 = {
      0xFF85C98A, 0x1BA7, 0x4A6B, {0x90, 0xC8, 0x2B, 0x75, 0x2C, 0x89, 0xE9, 0xE2}};
  found = options;
  EXPECT_EQ(options->QueryInterface(options2, &found), E_NOINTERFACE);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(options->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  BOOL sso = FALSE;
  EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&sso), S_OK);
  EXPECT_EQ(sso, TRUE);
  LPWSTR text = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(options->get_Language(&text), S_OK);
  EXPECT_EQ(text, nullptr) << "unset: the runtime's default";
  EXPECT_EQ(options->get_AdditionalBrowserArguments(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(options->Release(), 0u);
}

TEST_F(Engine, QuitDuringTheWaitCancels) {
  // A controller aborted by the runtime is not retried: only the quit ends the wait.
  api.set_fault("ControllerCompleted", E_ABORT, 1);
  PostQuitMessage(0);
  const auto e = construction_error();
  EXPECT_EQ(e.code(), -4);
  EXPECT_STREQ(e.what(), "");
  EXPECT_EQ(count_lines(calls(), creation_call), 1u);
  EXPECT_FALSE(quit_pending()) << "the quit is consumed, not posted again";
}

TEST_F(Engine, BrowserDataThatCannotBeUsedEndsCreationAtOnce) {
  const struct {
    const char *fault;
    HRESULT result;
    const char *message;
  } rows[] = {
      {creation_call, static_cast<HRESULT>(0x8007139F),
       "The browser data folder is in use by a browser with other options"},
      {"EnvironmentCompleted", static_cast<HRESULT>(0x8007139F),
       "The browser data folder is in use by a browser with other options"},
      {"ControllerCompleted", static_cast<HRESULT>(0x8007139F),
       "The browser data folder is in use by a browser with other options"},
      {"EnvironmentCompleted", E_ACCESSDENIED, "The browser data folder cannot be used"},
      {"EnvironmentCompleted", static_cast<HRESULT>(0x80070050),
       "The browser data folder cannot be used"},
      {"ControllerCompleted", E_UNEXPECTED, "The browser data folder cannot be used"},
  };
  for (const auto &row : rows) {
    api.reset();
    api.set_fault(row.fault, row.result, 1);
    const auto start = std::chrono::steady_clock::now();
    const auto e = construction_error();
    EXPECT_EQ(e.code(), -3) << row.fault;
    EXPECT_STREQ(e.what(), row.message) << row.fault;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "no retries, no waiting for the deadline";
    EXPECT_EQ(count_lines(calls(), creation_call), 1u) << row.fault;
  }

  // The host is asked while its window is there, and may try again.
  api.reset();
  api.set_fault(creation_call, static_cast<HRESULT>(0x8007139F), 1);
  std::vector<browser_data_problem> asked;
  win32_edge_startup startup;
  startup.on_browser_data_problem = [&](browser_data_problem problem) {
    asked.push_back(problem);
    EXPECT_NE(FindWindowW(L"webview", nullptr), nullptr);
    return browser_data_answer::retry;
  };
  win32_edge_engine engine(false, nullptr, {}, std::move(startup));
  EXPECT_EQ(asked, std::vector<browser_data_problem>{browser_data_problem::in_use});
  EXPECT_EQ(count_lines(calls(), creation_call), 2u);
  EXPECT_TRUE(engine.get_browser_controller().ok());
}

TEST_F(Engine, DefaultSizeOnlyWhenNoSizeWasSet) {
  {
    win32_edge_engine engine(false, nullptr);
    run_until_idle(engine);
    HWND window = static_cast<HWND>(engine.get_window().value());
    const int dpi = get_window_dpi(window);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640 * dpi / 96);
    EXPECT_EQ(client.bottom, 480 * dpi / 96);
    EXPECT_TRUE(IsWindowVisible(window));
  }
  {
    win32_edge_engine engine(false, nullptr);
    engine.set_size(600, 400, hint_none);
    run_until_idle(engine);
    HWND window = static_cast<HWND>(engine.get_window().value());
    const int dpi = get_window_dpi(window);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600 * dpi / 96) << "the explicit size wins over the default";
    EXPECT_EQ(client.bottom, 400 * dpi / 96);
  }
}

// Run once per system DPI (96 by default; 120 and 144 in prefixes of their own, where
// EXPECTED_DPI tells which one the run is meant to see).
TEST_F(Engine, SizesScaleWithTheWindowDpi) {
  win32_edge_engine engine(false, nullptr);
  HWND window = static_cast<HWND>(engine.get_window().value());
  const int dpi = get_window_dpi(window);
  char expected[8] = {};
  if (GetEnvironmentVariableA("EXPECTED_DPI", expected, sizeof expected) > 0) {
    ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix does not report the DPI this run is for";
  }
  RecordProperty("dpi", dpi);
  RECT client;
  // Sizes that fit the 1920 x 1080 screen at every DPI tried: the system caps larger windows.
  engine.set_size(700, 500, hint_none);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 700 * dpi / 96);
  EXPECT_EQ(client.bottom, 500 * dpi / 96);
  engine.set_size(641, 480, hint_fixed);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 641 * dpi / 96) << "truncated, e.g. 801 at 120 DPI";
  EXPECT_EQ(client.bottom, 480 * dpi / 96);
}

TEST_F(Engine, SizeHintsStylesLimitsAndDpiChanges) {
  win32_edge_engine engine(false, nullptr);
  HWND window = static_cast<HWND>(engine.get_window().value());
  constexpr LONG resizable = WS_THICKFRAME | WS_MAXIMIZEBOX;

  engine.set_size(300, 200, hint_min);
  EXPECT_TRUE(IsWindowVisible(window)) << "the first hint_min shows the window";
  MINMAXINFO info{};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMinTrackSize.y, 200);

  engine.set_size(800, 600, hint_fixed);
  EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & resizable, 0);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);

  engine.set_size(1000, 900, hint_max);
  EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & resizable, resizable) << "resizable again";
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800) << "hint_max does not resize";
  info = MINMAXINFO{};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, 1000);
  EXPECT_EQ(info.ptMaxTrackSize.y, 900);

  engine.set_size(800, 0, hint_min);
  info = MINMAXINFO{};
  info.ptMinTrackSize = {1, 1};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 1) << "both components must be positive";

  engine.set_size(641, 480, static_cast<size_hint>(7)); // unknown hints act as hint_none
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 641);

  // Moving to a 144-DPI monitor scales the client area and keeps the top-left corner.
  engine.set_size(0, 0, hint_max); // no maximum any more
  engine.set_size(800, 600, hint_none);
  RECT before;
  GetWindowRect(window, &before);
  SIZE scaled{};
  EXPECT_EQ(SendMessageW(window, 0x02E4 /* WM_GETDPISCALEDSIZE */, 144,
                         reinterpret_cast<LPARAM>(&scaled)),
            TRUE);
  EXPECT_EQ(scaled.cx, 1200);
  EXPECT_EQ(scaled.cy, 900);
  // The window takes the outer size of the scaled client area at the new DPI. (Under Wine the
  // frame itself stays at 96 DPI, so the outer size is what can be checked exactly.)
  auto expect_scaled = [&](int old_dpi, int new_dpi) {
    RECT c;
    GetClientRect(window, &c);
    // The system's frame at the new DPI around the scaled client area.
    using adjust_t = BOOL(WINAPI *)(LPRECT, DWORD, BOOL, DWORD, UINT);
    const auto adjust = reinterpret_cast<adjust_t>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    ASSERT_NE(adjust, nullptr);
    RECT frame{0, 0, c.right * new_dpi / old_dpi, c.bottom * new_dpi / old_dpi};
    adjust(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE, 0,
           static_cast<UINT>(new_dpi));
    const std::pair<int, int> expected{frame.right - frame.left, frame.bottom - frame.top};
    RECT suggested{0, 0, 10, 10};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(new_dpi, new_dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, expected.first) << old_dpi << " -> " << new_dpi;
    EXPECT_EQ(after.bottom - after.top, expected.second);
    EXPECT_EQ(after.left, before.left) << "the top-left corner stays";
    EXPECT_EQ(after.top, before.top);
  };
  expect_scaled(96, 144);
  expect_scaled(144, 120);
  SendMessageW(window, 0x02E4, 96, reinterpret_cast<LPARAM>(&scaled));
  GetClientRect(window, &client);
  EXPECT_EQ(scaled.cx, client.right * 96 / 120) << "the query divides by the DPI last applied";
}

TEST_F(Engine, DispatchFromWorkerRunsOnceEachOnTheUiThreadInOrder) {
  win32_edge_engine engine(false, nullptr);
  const DWORD ui = GetCurrentThreadId();
  std::vector<int> order;
  std::atomic<int> wrong_thread{0};
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      engine.dispatch([&, i] {
        if (GetCurrentThreadId() != ui) {
          ++wrong_thread;
        }
        order.push_back(i);
        if (i == 199) {
          engine.terminate();
        }
      });
    }
  });
  engine.run();
  worker.join();
  ASSERT_EQ(order.size(), 200u);
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(order[i], i);
  }
  EXPECT_EQ(wrong_thread.load(), 0);
}

TEST_F(Engine, ClosingTheLastWindowEndsTheLoop) {
  win32_edge_engine first(false, nullptr);
  win32_edge_engine second(false, nullptr);
  EXPECT_EQ(window_count.load(), 2);
  HWND w1 = static_cast<HWND>(first.get_window().value());
  HWND w2 = static_cast<HWND>(second.get_window().value());
  bool second_closed = false;
  first.dispatch([&] {
    DestroyWindow(w1);
    // Still running after the first window: close the second a little later.
    first.dispatch([&] {
      second_closed = true;
      DestroyWindow(w2);
    });
  });
  EXPECT_TRUE(first.run().ok());
  EXPECT_TRUE(second_closed) << "the loop ended only after both windows closed";
  EXPECT_EQ(window_count.load(), 0);
  EXPECT_EQ(first.get_window().error().code, -3);
  EXPECT_EQ(second.get_widget().error().code, -3) << "the widget died with its window";
}

TEST_F(Engine, DestroyingAnOpenEngineDrainsItsQueueWithoutQuitting) {
  int ran = 0;
  {
    win32_edge_engine engine(false, nullptr);
    engine.dispatch([&] { ++ran; });
    engine.dispatch([&] { ++ran; });
    EXPECT_EQ(ran, 0);
  }
  EXPECT_EQ(ran, 2);
  EXPECT_FALSE(quit_pending()) << "destruction posts no WM_QUIT";
  EXPECT_EQ(FindWindowW(L"webview", nullptr), nullptr);
}

TEST_F(Engine, HostWindowByHandleOrByAddress) {
  // A host sets up COM for its own thread; the engine leaves that to it.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  for (int by_address = 0; by_address < 2; ++by_address) {
    api.reset();
    {
      win32_edge_engine engine(false, by_address ? static_cast<void *>(&host) : host);
      EXPECT_EQ(engine.get_window().value(), host);
      HWND widget = static_cast<HWND>(engine.get_widget().value());
      EXPECT_EQ(GetParent(widget), host);
      EXPECT_EQ(window_count.load(), 0) << "a host window is not counted";
      EXPECT_EQ(count_lines(calls(), "MoveFocus"), 0u) << "focus stays with the host";
    }
    EXPECT_TRUE(IsWindow(host)) << "the host window survives the engine";
  }
  DestroyWindow(host);
  CoUninitialize();
}

TEST_F(Engine, OnlyClipboardReadIsGranted) {
  win32_edge_engine engine(false, nullptr);
  for (int kind = 0; kind <= 12; ++kind) {
    int state = -1;
    ASSERT_EQ(api.wv2d_raise_permission_requested(kind, L"https://example.test/", &state), 1);
    EXPECT_EQ(state, kind == 6 ? 1 : 0) << "permission kind " << kind;
  }
}

TEST_F(Engine, WebMessagesReachTheEngineAsUtf8) {
  recording_engine engine(false, nullptr);
  api.wv2d_raise_web_message(L"{\"id\":\"1\",\"method\":\"\u0632\",\"params\":[\"\U0001F600\"]}");
  api.wv2d_raise_web_message_json(L"{\"not\":\"a string\"}");
  ASSERT_EQ(engine.messages.size(), 1u) << "a message that is not a string never arrives";
  EXPECT_EQ(engine.messages[0],
            "{\"id\":\"1\",\"method\":\"\xD8\xB2\",\"params\":[\"\xF0\x9F\x98\x80\"]}");
}

TEST_F(Engine, BoundCallsAreAnsweredInThePage) {
  win32_edge_engine engine(false, nullptr);
  engine.bind("add",
              [](std::string req) { return req == "[1,2]" ? std::string("3") : std::string("?"); });
  api.clear_log();
  api.wv2d_raise_web_message(L"{\"id\":\"c1\",\"method\":\"add\",\"params\":[1,2]}");
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "ExecuteScript window.__webview__.onReply(\"c1\", 0, \"3\")"), 1u);
}

TEST_F(Engine, NavigationHtmlScriptsAndTitle) {
  win32_edge_engine engine(false, nullptr);
  api.clear_log();
  engine.navigate("https://zo-office.zorvel.net/\xD8\xB2");
  engine.navigate("");
  engine.navigate("bad \xFF utf-8");
  engine.set_html("<p>\xD9\x85</p>");
  engine.eval("1+1");
  const auto lines = calls();
  EXPECT_EQ(count_lines(lines, "Navigate https://zo-office.zorvel.net/\xD8\xB2"), 1u);
  EXPECT_EQ(count_lines(lines, "Navigate about:blank"), 1u);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string("Navigate ")), 1)
      << "invalid UTF-8 gives an empty address";
  EXPECT_EQ(count_lines(lines, "NavigateToString <p>\xD9\x85</p>"), 1u);
  EXPECT_EQ(count_lines(lines, "ExecuteScript 1+1"), 1u);

  HWND window = static_cast<HWND>(engine.get_window().value());
  engine.set_title("\xD8\xB2 Title");
  wchar_t title[64];
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"\u0632 Title");
  engine.set_title("bad \xC3");
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"");
}

TEST_F(Engine, UserScriptsAreReinstalledInOrderOnBind) {
  win32_edge_engine engine(false, nullptr);
  engine.init("first();");
  api.clear_log();
  engine.bind("f", [](std::string) { return std::string(); });
  engine.bind("g", [](std::string) { return std::string(); });
  std::vector<std::string> script_calls;
  for (const auto &line : calls()) {
    if (line.rfind("AddScript", 0) == 0 || line.rfind("RemoveScript", 0) == 0) {
      script_calls.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
    }
  }
  // Bridge 1 and "first();" 2 exist; the first bind appends the bind script (3); the second
  // removes all three and adds them again in order (4, 5, 6).
  EXPECT_EQ(script_calls, (std::vector<std::string>{
                              "AddScriptToExecuteOnDocumentCreated 3",
                              "RemoveScriptToExecuteOnDocumentCreated 1",
                              "RemoveScriptToExecuteOnDocumentCreated 2",
                              "RemoveScriptToExecuteOnDocumentCreated 3",
                              "AddScriptToExecuteOnDocumentCreated 4",
                              "AddScriptToExecuteOnDocumentCreated 5",
                              "AddScriptToExecuteOnDocumentCreated 6",
                          }));
}

TEST_F(Engine, FailedScriptAdditionsGetEmptyIds) {
  win32_edge_engine engine(false, nullptr);
  api.set_fault("AddScriptToExecuteOnDocumentCreated", E_FAIL, -1);
  engine.init("a();");
  engine.init("b();");
  api.clear_log();
  engine.bind("f", [](std::string) { return std::string(); });
  // Removing all passes the empty ids of the two failed scripts.
  EXPECT_EQ(count_lines(calls(), "RemoveScriptToExecuteOnDocumentCreated "), 0u)
      << "the first bind only appends";
  engine.bind("g", [](std::string) { return std::string(); });
  const auto lines = calls();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       std::string("RemoveScriptToExecuteOnDocumentCreated ")),
            3)
      << "two failed scripts and the failed bind script, all with empty ids";
  // Only the bind script is replaced: scripts without ids are not the same script.
  std::vector<std::string> added;
  for (const auto &line : lines) {
    if (line.rfind("AddScriptToExecuteOnDocumentCreated - ", 0) == 0) {
      added.push_back(line.substr(38));
    }
  }
  ASSERT_EQ(added.size(), 5u) << "the first bind script, then the bridge and the three others";
  EXPECT_EQ(added[2], "a();");
  EXPECT_EQ(added[3], "b();");
  EXPECT_NE(added[4].find("var methods = [\"f\",\"g\"];"), std::string::npos) << added[4];
}

TEST_F(Engine, ResizeAndActivationReachTheBrowser) {
  win32_edge_engine engine(false, nullptr);
  engine.set_size(500, 400, hint_none);
  HWND window = static_cast<HWND>(engine.get_window().value());
  HWND widget = static_cast<HWND>(engine.get_widget().value());
  api.clear_log();
  SendMessageW(window, WM_SIZE, 0, 0);
  RECT r;
  GetClientRect(widget, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 400);
  SendMessageW(widget, WM_SIZE, 0, MAKELPARAM(500, 400));
  EXPECT_EQ(count_lines(calls(), "put_Bounds 0 0 500 400"), 1u);
  api.clear_log();
  SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(count_lines(calls(), "MoveFocus"), 0u);
  SendMessageW(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(count_lines(calls(), "MoveFocus 0"), 2u);
}

#ifndef ENGINE_TEST_VIA_LOADER
TEST_F(Engine, RegisteredVersionDecidesAvailability) {
  for (const wchar_t *text :
       {L"C:\\rt\\120.0.1149.5", L"C:\\rt\\120.0", L"C:\\rt\\120.0.2210.91\\"}) {
    unregister_runtime();
    register_runtime(HKEY_CURRENT_USER, text);
    EXPECT_EQ(construction_error().code(), -5);
  }
  // A machine-wide registration that is not acceptable lets the per-user one through.
  unregister_runtime();
  register_runtime(HKEY_LOCAL_MACHINE, L"C:\\old\\120.0.1000.1");
  register_runtime(HKEY_CURRENT_USER, runtime_folder());
  EXPECT_EQ(construction_error().code(), 0);
  // An acceptable machine-wide registration hides the per-user one: its library is missing.
  unregister_runtime();
  register_runtime(HKEY_LOCAL_MACHINE, L"C:\\nowhere\\120.0.2210.91");
  register_runtime(HKEY_CURRENT_USER, runtime_folder());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(construction_error().code(), -3);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(11));
}

TEST_F(Engine, RuntimeFolderWithTrailingSlash) {
  unregister_runtime();
  register_runtime(HKEY_CURRENT_USER, runtime_folder() + L"/");
  EXPECT_EQ(construction_error().code(), 0);
  EXPECT_EQ(count_lines(calls(), "CreateWebViewEnvironmentWithOptionsInternal 1 0 "), 1u);
}
#endif

// ---------------------------------------------------------------------------------------------
// Failures of a real browser: every wait ends, quits survive nested waits, nothing unwinds into
// the browser, scripts stay sound, failed processes are recovered, closing asks the page.

// Deadlines short enough for a test.
win32_edge_deadlines short_deadlines() {
  win32_edge_deadlines limits;
  limits.browser = std::chrono::milliseconds(400);
  limits.script = std::chrono::milliseconds(400);
  limits.leave = std::chrono::milliseconds(300);
  return limits;
}

int construction_code(const win32_edge_deadlines &limits) {
  try {
    win32_edge_engine engine(false, nullptr, limits);
  } catch (const webview::exception &e) {
    return e.code();
  }
  return 0;
}

TEST_F(Engine, EveryWaitEndsAtItsDeadline) {
  const struct {
    const char *fault;
    HRESULT result;
  } rows[] = {{creation_call, S_OK}, // accepted, never completed
              {creation_call, static_cast<HRESULT>(0x8007139F)},
              {"ControllerCompleted", E_ABORT},
              {"ControllerCompleted", static_cast<HRESULT>(0x8007139F)}};
  for (const auto &row : rows) {
    api.reset();
    api.set_fault(row.fault, row.result, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(construction_code(short_deadlines()), -3) << row.fault << " " << row.result;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(FindWindowW(L"webview", nullptr), nullptr);
  }

  // A script registration whose completion never comes returns with an empty id.
  api.reset();
  win32_edge_engine engine(false, nullptr, short_deadlines());
  api.set_fault("AddScriptToExecuteOnDocumentCreated", S_OK, 1);
  const auto start = std::chrono::steady_clock::now();
  engine.init("never();");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  api.clear_log();
  engine.bind("f", [](std::string) { return std::string(); });
  engine.bind("g", [](std::string) { return std::string(); });
  const auto lines = calls();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       std::string("RemoveScriptToExecuteOnDocumentCreated ")),
            1)
      << "the script that never completed has an empty id";
}

TEST_F(Engine, QuitTakenByANestedWaitIsPostedAgain) {
  win32_edge_engine engine(false, nullptr);
  api.set_fault("AddScriptToExecuteOnDocumentCreated", S_OK, 1); // its wait only ends by quitting
  PostQuitMessage(7);
  const auto start = std::chrono::steady_clock::now();
  engine.init("a();");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3))
      << "the quit ends the wait at once";
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was lost";
  EXPECT_EQ(msg.wParam, 7u);
}

// Throws out of the handling of one web message.
class throwing_engine : public win32_edge_engine {
public:
  using win32_edge_engine::win32_edge_engine;
  std::vector<std::string> messages;

protected:
  void on_message(const std::string &message) override {
    if (message == "boom") {
      throw std::bad_alloc();
    }
    messages.push_back(message);
  }
};

TEST_F(Engine, AnExceptionInAnEventStaysInsideTheEngine) {
  throwing_engine engine(false, nullptr);
  EXPECT_EQ(api.wv2d_raise_web_message(L"boom"), 1) << "the process is still there";
  EXPECT_EQ(api.wv2d_raise_web_message(L"next"), 1);
  EXPECT_EQ(engine.messages, std::vector<std::string>{"next"});
}

TEST_F(Engine, ScriptChangesDuringAReinstallationComeAfterIt) {
  win32_edge_engine engine(false, nullptr);
  engine.bind("f", [](std::string) { return std::string(); });
  // Runs inside the first wait of the next bind's reinstallation.
  engine.dispatch([&engine] {
    engine.bind("h", [](std::string) { return std::string(); });
    engine.init("late();");
  });
  api.clear_log();
  engine.bind("g", [](std::string) { return std::string(); });
  run_until_idle(engine);
  // What the browser holds at the end: the ids added minus the ids removed, in order.
  std::vector<std::pair<std::string, std::string>> installed;
  for (const auto &line : calls()) {
    if (line.rfind("AddScriptToExecuteOnDocumentCreated ", 0) == 0) {
      const std::size_t id_end = line.find(' ', 36);
      installed.emplace_back(line.substr(36, id_end - 36), line.substr(id_end + 1));
    } else if (line.rfind("RemoveScriptToExecuteOnDocumentCreated ", 0) == 0) {
      const std::string id = line.substr(39);
      installed.erase(std::remove_if(installed.begin(), installed.end(),
                                     [&](const auto &s) { return s.first == id; }),
                      installed.end());
    }
  }
  ASSERT_EQ(installed.size(), 3u) << "bridge, bind script, late script, each once";
  EXPECT_NE(installed[0].second.find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_NE(installed[1].second.find("var methods = [\"f\",\"g\",\"h\"];"), std::string::npos)
      << installed[1].second;
  EXPECT_EQ(installed[2].second, "late();");
}

// Answers the next dialog this process shows, from another thread, as a user would.
class dialog_answerer {
public:
  explicit dialog_answerer(int button) : thread_([this, button] { answer(button); }) {}
  ~dialog_answerer() { thread_.join(); }
  dialog_answerer(const dialog_answerer &) = delete;
  dialog_answerer &operator=(const dialog_answerer &) = delete;

  bool done() const { return done_; }
  std::wstring text() const { return text_; }

private:
  void answer(int button) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      HWND dialog = nullptr;
      EnumWindows(
          [](HWND h, LPARAM lp) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            wchar_t cls[16] = {};
            GetClassNameW(h, cls, 16);
            if (pid == GetCurrentProcessId() && IsWindowVisible(h) &&
                lstrcmpW(cls, L"#32770") == 0) {
              *reinterpret_cast<HWND *>(lp) = h;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&dialog));
      if (dialog != nullptr) {
        wchar_t text[1024] = {};
        GetWindowTextW(GetDlgItem(dialog, 0xFFFF), text, 1024);
        text_ = text;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    done_ = true;
  }

  std::atomic<bool> done_{false};
  std::wstring text_;
  std::thread thread_;
};

TEST_F(Engine, FailedBrowserProcessesAreRecovered) {
  win32_edge_engine engine(false, nullptr);
  int created = 0;
  engine.on_browser_created([&] { ++created; });
  EXPECT_EQ(created, 1) << "runs at once for the browser that exists";
  engine.init("mine();");
  engine.bind("add", [](std::string) { return std::string("3"); });
  engine.navigate("https://suite.test/doc");
  api.clear_log();

  // Subframe, utility, GPU: nothing. A renderer that exits: reload.
  for (int kind : {3, 4, 6}) {
    EXPECT_EQ(api.wv2d_raise_process_failed(kind), 1);
  }
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "Reload"), 0u);
  api.wv2d_raise_process_failed(1);
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "Reload"), 1u);

  // Unresponsive three times within a minute: the user decides. Waiting keeps the page.
  api.wv2d_raise_process_failed(2);
  api.wv2d_raise_process_failed(2);
  run_until_idle(engine);
  {
    dialog_answerer wait(IDYES);
    api.wv2d_raise_process_failed(2);
    e2e::eventually([&] { return wait.done(); }, 15000, 5);
    EXPECT_EQ(wait.text(),
              L"The page is not responding. Wait for it?\n\nYes: wait.  No: reload the page.");
  }
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "Reload"), 1u) << "waiting keeps the page";
  {
    dialog_answerer reload(IDNO);
    for (int i = 0; i < 3; ++i) {
      api.wv2d_raise_process_failed(2);
    }
    e2e::eventually([&] { return reload.done(); }, 15000, 5);
    EXPECT_FALSE(reload.text().empty()) << "asked again";
  }
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "Reload"), 2u) << "No reloads";

  // The browser process exits: a new environment and controller in the same window.
  api.clear_log();
  api.wv2d_raise_process_failed(0);
  run_until_idle(engine);
  const auto lines = calls();
  EXPECT_EQ(count_lines(lines, creation_call), 1u);
  EXPECT_EQ(
      count_lines(lines, "CreateCoreWebView2Controller " +
                             wv2d::handle_text(static_cast<HWND>(engine.get_widget().value()))),
      1u);
  EXPECT_EQ(count_lines(lines, "put_AreDevToolsEnabled 0"), 1u);
  EXPECT_EQ(count_lines(lines, "put_IsStatusBarEnabled 0"), 1u);
  EXPECT_EQ(count_lines(lines, "put_AreDefaultScriptDialogsEnabled 0"), 1u);
  for (const char *hook :
       {"add_WebMessageReceived", "add_PermissionRequested", "add_ProcessFailed"}) {
    EXPECT_EQ(count_lines(lines, hook), 1u) << hook;
  }
  std::vector<std::string> scripts;
  for (const auto &line : lines) {
    if (line.rfind("AddScriptToExecuteOnDocumentCreated ", 0) == 0) {
      scripts.push_back(line.substr(line.find(' ', 36) + 1));
    }
  }
  ASSERT_EQ(scripts.size(), 3u) << "the bridge, the user script and the bind script, once each";
  EXPECT_NE(scripts[0].find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_EQ(scripts[1], "mine();");
  EXPECT_NE(scripts[2].find("var methods = [\"add\"];"), std::string::npos);
  EXPECT_EQ(lines.back(), "Navigate https://suite.test/doc") << "back on the last address";
  EXPECT_EQ(created, 2) << "the host's additions come back";
  api.clear_log();
  api.wv2d_raise_web_message(L"{\"id\":\"c1\",\"method\":\"add\",\"params\":[1,2]}");
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "ExecuteScript window.__webview__.onReply(\"c1\", 0, \"3\")"), 1u);

  // Two recoveries so far (the user's reload is not one); a successful load does not count them
  // afresh, so the third is the last and the fourth gives the browser up: the window closes.
  api.wv2d_raise_navigation_completed(1, 0, L"https://suite.test/doc2");
  api.wv2d_raise_process_failed(1);
  run_until_idle(engine);
  EXPECT_EQ(count_lines(calls(), "Reload"), 1u);
  EXPECT_FALSE(engine.browser_lost());
  api.wv2d_raise_navigation_completed(1, 0, L"https://suite.test/doc2");
  api.wv2d_raise_process_failed(1);
  EXPECT_TRUE(engine.run().ok());
  EXPECT_EQ(count_lines(calls(), "Reload"), 1u);
  EXPECT_TRUE(engine.browser_lost());
  EXPECT_FALSE(engine.get_window().ok()) << "no dead window is left";
}

TEST_F(Engine, ABrowserFailureDuringAScriptRegistrationWaitsForIt) {
  win32_edge_engine engine(false, nullptr);
  engine.navigate("https://suite.test/doc");
  // The browser exits while the engine waits for the registration of a script.
  api.reset(); // counts calls afresh
  api.configure("on=AddScriptToExecuteOnDocumentCreated#1 process_failed 0\n");
  engine.init("mine();");
  run_until_idle(engine);
  const auto lines = calls();
  std::vector<std::string> scripts; // added to the replacement, after its controller
  bool replaced = false;
  for (const auto &line : lines) {
    if (line.rfind("CreateCoreWebView2Controller ", 0) == 0) {
      replaced = true;
    } else if (replaced && line.rfind("AddScriptToExecuteOnDocumentCreated ", 0) == 0) {
      scripts.push_back(line.substr(line.find(' ', 36) + 1));
    }
  }
  ASSERT_TRUE(replaced);
  ASSERT_EQ(scripts.size(), 2u) << "the bridge and the script being added, once each";
  EXPECT_NE(scripts[0].find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_EQ(scripts[1], "mine();");
  EXPECT_EQ(lines.back(), "Navigate https://suite.test/doc");
}

TEST_F(Engine, ClosingLetsThePageAnswerFirstButNeverWaitsLong) {
  win32_edge_engine engine(false, nullptr, short_deadlines());
  {
    const auto lines = calls();
    const auto off = std::find(lines.begin(), lines.end(), "put_AreDefaultScriptDialogsEnabled 0");
    EXPECT_NE(off, lines.end()) << "every page's dialogs come to the engine";
  }
  engine.navigate("https://suite.test/doc");
  HWND window = static_cast<HWND>(engine.get_window().value());
  api.clear_log();
  PostMessageW(window, WM_CLOSE, 0, 0);
  {
    // A page that does not answer: the user is asked, and No keeps the window.
    dialog_answerer stay(IDNO);
    e2e::eventually([&] { return stay.done(); }, 15000, 5);
    EXPECT_EQ(stay.text(), L"The page is not responding. Close the window anyway?");
  }
  run_until_idle(engine);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(count_lines(calls(), "Navigate about:blank"), 1u) << "the page is asked by leaving it";
  EXPECT_EQ(count_lines(calls(), "Stop"), 1u) << "staying stops the closing navigation";
  PostMessageW(window, WM_CLOSE, 0, 0);
  {
    dialog_answerer close_anyway(IDYES);
    EXPECT_TRUE(engine.run().ok());
  }
  EXPECT_FALSE(IsWindow(window));

  // A page that lets the navigation go closes the window at once.
  api.reset();
  win32_edge_deadlines patient;
  patient.leave = std::chrono::seconds(30);
  win32_edge_engine quick(false, nullptr, patient);
  HWND quick_window = static_cast<HWND>(quick.get_window().value());
  api.configure("on=Navigate#1 navigation_completed 1 0 about:blank\n");
  PostMessageW(quick_window, WM_CLOSE, 0, 0);
  const auto quick_start = std::chrono::steady_clock::now();
  EXPECT_TRUE(quick.run().ok());
  EXPECT_LT(std::chrono::steady_clock::now() - quick_start, std::chrono::seconds(10));
  EXPECT_FALSE(IsWindow(quick_window));
}

TEST_F(Engine, FocusGoesIntoTheBrowserAndMovesReachIt) {
  win32_edge_engine engine(false, nullptr);
  engine.set_size(400, 300, hint_none);
  HWND window = static_cast<HWND>(engine.get_window().value());
  HWND widget = static_cast<HWND>(engine.get_widget().value());
  EXPECT_EQ(GetFocus(), widget) << "right after the window first appears";
  SetFocus(window);
  EXPECT_EQ(GetFocus(), widget) << "whenever the main window gets the focus";

  api.clear_log();
  SetWindowPos(window, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_GE(count_lines(calls(), "NotifyParentWindowPositionChanged"), 1u);
}

} // namespace
