// Shell pieces that need Win32, under Wine: argument classification with real files, the
// runtime registration check against the registry, the balloon fields, and the pages' calls for
// balloons (on an in-memory engine).
#include "../../app/launch_args.hh"
#include "../../app/native_bindings.hh"
#include "../../app/runtime_check.hh"
#include "../../app/tray_icon_events.hh"
#include "../../app/tray_notify.hh"
#include "../support/test_engine.hh"

#include <webview/detail/backends/com_ref.hh>
#include <webview/detail/backends/webview2_event_handler.hh>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace zorvel;

// A file in the temporary folder, removed at the end of the test.
class temp_file {
public:
  temp_file(const std::wstring &name, std::size_t size) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    path_ = std::wstring(dir) + name;
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    std::string chunk(1 << 20, 'x');
    for (std::size_t left = size; left > 0;) {
      const DWORD n = static_cast<DWORD>(left < chunk.size() ? left : chunk.size());
      DWORD written = 0;
      WriteFile(h, chunk.data(), n, &written, nullptr);
      left -= n;
    }
    CloseHandle(h);
  }
  ~temp_file() { DeleteFileW(path_.c_str()); }
  const std::wstring &path() const { return path_; }

private:
  std::wstring path_;
};

TEST(LaunchArgument, LinksInAnyCaseAreTakenWhole) {
  auto state = classify_argument(L"ZorvelOffice:open?doc=1");
  EXPECT_EQ(state.link, "ZorvelOffice:open?doc=1");
  EXPECT_TRUE(state.file_b64.empty());
  temp_file decoy(L"zorveloffice:x", 3); // Wine allows the name; it must not be read
  EXPECT_EQ(classify_argument(L"ZORVELOFFICE:x").link, "ZORVELOFFICE:x");
  EXPECT_TRUE(classify_argument(L"ZORVELOFFICE:x").file_b64.empty());
}

TEST(LaunchArgument, OptionsAndMissingFilesGiveNothing) {
  for (const wchar_t *arg : {L"--flag", L"-", L"C:\\no\\such\\file.docx", L""}) {
    const auto state = classify_argument(arg);
    EXPECT_TRUE(state.link.empty() && state.file_b64.empty() && state.file_name.empty());
  }
}

TEST(LaunchArgument, FileNameAfterLastBackslashInUtf8) {
  temp_file file(L"\u062A\u0642\u0631\u064A\u0631.docx", 10);
  const auto state = classify_argument(file.path().c_str());
  EXPECT_EQ(state.file_name, "\xD8\xAA\xD9\x82\xD8\xB1\xD9\x8A\xD8\xB1.docx");
  EXPECT_EQ(state.file_b64.size(), 16u);
  EXPECT_EQ(state.file_b64.substr(14), "==");
  EXPECT_EQ(state.file_b64, "eHh4eHh4eHh4eA==");
}

TEST(LaunchArgument, ForwardSlashIsNotASeparator) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  SetCurrentDirectoryW(dir);
  CreateDirectoryW(L"docs", nullptr);
  {
    temp_file file(L"docs\\report.txt", 4);
    EXPECT_EQ(classify_argument(L"docs/report.txt").file_name, "docs/report.txt");
  }
  RemoveDirectoryW(L"docs");
}

TEST(LaunchArgument, EmptyFileIsNoFile) {
  temp_file file(L"empty.txt", 0);
  const auto state = classify_argument(file.path().c_str());
  EXPECT_TRUE(state.file_b64.empty());
}

TEST(LaunchArgument, SizeLimitIsOneByteUnderSixtyMebibytes) {
  {
    temp_file file(L"limit.bin", 62914559);
    const auto state = classify_argument(file.path().c_str());
    EXPECT_EQ(state.file_b64.size(), 4u * ((62914559u + 2) / 3));
    EXPECT_EQ(state.file_name, "limit.bin");
  }
  {
    temp_file file(L"over.bin", 62914560);
    const auto state = classify_argument(file.path().c_str());
    EXPECT_TRUE(state.file_b64.empty());
    EXPECT_TRUE(state.file_name.empty());
  }
}

class RuntimeRegistration : public testing::Test {
protected:
  static constexpr const wchar_t *wow = L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{"
                                        L"F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
  static constexpr const wchar_t *plain =
      L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
  void TearDown() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      for (const wchar_t *key : {wow, plain}) {
        RegDeleteKeyW(root, key);
      }
    }
  }
  static void set(HKEY root, const wchar_t *key, const std::wstring &value, DWORD type = REG_SZ) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(h, L"pv", 0, type, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
  }
};

TEST_F(RuntimeRegistration, NothingOrPlaceholdersEverywhereMeansMissing) {
  EXPECT_FALSE(webview2_runtime_registered());
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    set(root, wow, L"0.0.0.0");
    set(root, plain, L"0.0.0.0");
  }
  EXPECT_FALSE(webview2_runtime_registered());
  set(HKEY_CURRENT_USER, wow, L"");
  EXPECT_FALSE(webview2_runtime_registered());
}

TEST_F(RuntimeRegistration, CurrentUsersPlainKeyIsEnough) {
  set(HKEY_CURRENT_USER, plain, L"120.0.2210.91");
  EXPECT_TRUE(webview2_runtime_registered());
}

TEST_F(RuntimeRegistration, WrongTypeOrTooLongValueMovesOn) {
  set(HKEY_LOCAL_MACHINE, wow, L"120.0.2210.91", REG_MULTI_SZ);
  set(HKEY_LOCAL_MACHINE, plain, std::wstring(80, L'9'));
  EXPECT_FALSE(webview2_runtime_registered());
  set(HKEY_CURRENT_USER, wow, L"121.0.1.1");
  EXPECT_TRUE(webview2_runtime_registered());
}

TEST(BalloonFields, CutByBytesThenUnits) {
  wchar_t title[64];
  set_balloon_text(title, std::string(70, 'a'), 180, 63);
  EXPECT_EQ(std::wstring(title), std::wstring(63, L'a'));
  EXPECT_EQ(title[63], L'\0');

  wchar_t body[256];
  set_balloon_text(body, std::string(300, 'b'), 600, 255);
  EXPECT_EQ(std::wstring(body), std::wstring(255, L'b'));

  // Three-byte characters are one unit each, so the byte limits cut before the unit limits:
  // 61 euro signs are 183 bytes, of which the title keeps 60; 201 are 603 bytes, of which the
  // body keeps 200.
  auto euros = [](int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      text += "\xE2\x82\xAC";
    }
    return text;
  };
  set_balloon_text(title, euros(61), 180, 63);
  EXPECT_EQ(std::wstring(title), std::wstring(60, L'\u20AC'));
  set_balloon_text(body, euros(201), 600, 255);
  EXPECT_EQ(std::wstring(body), std::wstring(200, L'\u20AC'));
  // A character cut in two by the byte limit reads as U+FFFD.
  set_balloon_text(title, "a" + euros(60), 180, 63);
  EXPECT_EQ(std::wstring(title), L"a" + std::wstring(59, L'\u20AC') + L"\uFFFD");
  std::string cut = std::string(59, 'a') + "\xD8\xB2";
  wchar_t small[64];
  set_balloon_text(small, cut, 60, 63);
  EXPECT_EQ(std::wstring(small), std::wstring(59, L'a') + L"\uFFFD");

  // A shorter text clears what a longer one left behind.
  set_balloon_text(body, "new", 600, 255);
  EXPECT_EQ(std::wstring(body), L"new");
  for (int i = 3; i < 256; ++i) {
    ASSERT_EQ(body[i], L'\0');
  }
}

TEST(TrayIcon, AddedOnceThenModified) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  show_balloon(window, "t1", "b1");
  EXPECT_TRUE(tray_icon_added);
  EXPECT_EQ(tray_icon.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), 976u);
  EXPECT_EQ(tray_icon.uID, 1u);
  EXPECT_EQ(tray_icon.hWnd, window);
  EXPECT_STREQ(tray_icon.szTip, L"\u0632\u0648\u0631\u0641\u0644 \u0623\u0648\u0641\u064A\u0633");
  EXPECT_EQ(tray_icon.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(tray_icon.dwInfoFlags, static_cast<DWORD>(NIIF_USER | NIIF_LARGE_ICON));
  EXPECT_EQ(tray_icon.uCallbackMessage, 0x8001u) << "clicks come back as WM_APP + 1";
  // With the icon removed behind its back, the next notification only modifies it and so
  // leaves it missing; an add would bring it back.
  NOTIFYICONDATAW probe = tray_icon;
  probe.uFlags = NIF_TIP;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the first notification added the icon";
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &probe));
  ASSERT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "a missing icon cannot be modified";
  show_balloon(window, "t2", "");
  EXPECT_STREQ(tray_icon.szInfoTitle, L"t2");
  EXPECT_STREQ(tray_icon.szInfo, L"");
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the icon was added a second time";
  remove_tray_icon();
  DestroyWindow(window);
}

TEST(TrayIcon, ComesBackWithTheTaskbarAndAClickBringsTheWindowToTheFront) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  tray_icon_added = false; // as in a new process: the first notification adds the icon
  show_balloon(window, "t", "b");
  NOTIFYICONDATAW probe = tray_icon;
  probe.uFlags = NIF_TIP;
  // The taskbar restarts: its icons are gone, and it says so to every top-level window.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &probe));
  const UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
  EXPECT_TRUE(on_tray_window_message(window, taskbar_created, 0));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the icon is there again";

  // A click on the balloon restores the minimised window; so does a click on the icon.
  for (LPARAM click : {LPARAM{NIN_BALLOONUSERCLICK}, LPARAM{WM_LBUTTONUP}}) {
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(on_tray_window_message(window, 0x8001, click));
    EXPECT_FALSE(IsIconic(window)) << click;
  }
  ShowWindow(window, SW_MINIMIZE);
  on_tray_window_message(window, 0x8001, WM_MOUSEMOVE);
  EXPECT_TRUE(IsIconic(window)) << "merely passing over the icon changes nothing";
  EXPECT_FALSE(on_tray_window_message(window, WM_SIZE, 0)) << "other messages are the engine's";
  remove_tray_icon();
  DestroyWindow(window);
}

// A page may show five balloons in a row; the sixth call within the ten seconds shows nothing
// and is still answered.
TEST(NotificationBurst, TheSixthBalloonWithinTenSecondsIsNotShown) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  tray_icon_added = false;
  test_support::test_engine engine;
  launch_state launch;
  bind_native_services(engine, window, launch,
                       {"zo-desk-app.zorvel.net", "zo-office.zorvel.net", "zo-", "zorvel.net"});
  engine.pump();
  std::vector<std::wstring> shown;
  for (int i = 1; i <= 6; ++i) {
    const std::string n = std::to_string(i);
    engine.evaluated.clear();
    engine.receive_from("https://zo-office.zorvel.net/en/suite/notify/",
                        R"({"id":"n)" + n + R"(","method":"__zoNotify","params":["t)" + n +
                            R"(","b"]})");
    engine.pump();
    EXPECT_EQ(engine.evaluated.size(), 1u) << "call " << n << " is answered";
    shown.push_back(tray_icon.szInfoTitle);
  }
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"t1", L"t2", L"t3", L"t4", L"t5", L"t5"}));
  remove_tray_icon();
  DestroyWindow(window);
}

// A browser event hook is a COM object of exactly one interface (and IUnknown).
TEST(EventHook, AnswersOnlyIUnknownAndItsOwnInterface) {
  using title_hook =
      webview::detail::webview2_event_handler<ICoreWebView2DocumentTitleChangedEventHandler,
                                              IID_ICoreWebView2DocumentTitleChangedEventHandler,
                                              ICoreWebView2 *, IUnknown *>;
  const auto hook = webview::detail::com_ref<title_hook>::adopt(
      new title_hook([](ICoreWebView2 *, IUnknown *) {}));
  void *const self = hook.get();
  for (const IID &own : {__uuidof(IUnknown), IID_ICoreWebView2DocumentTitleChangedEventHandler}) {
    void *out = nullptr;
    EXPECT_EQ(hook->QueryInterface(own, &out), S_OK);
    EXPECT_EQ(out, self);
    if (out != nullptr) {
      EXPECT_EQ(hook->Release(), 1u) << "the answer added one reference";
    }
  }
  for (const IID &other : {IID_ICoreWebView2NavigationCompletedEventHandler, IID_ICoreWebView2,
                           IID_ICoreWebView2Controller}) {
    void *out = self;
    EXPECT_EQ(hook->QueryInterface(other, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    if (out != nullptr) {
      hook->Release();
    }
  }
  EXPECT_EQ(hook->AddRef(), 2u) << "refusals added no reference";
  EXPECT_EQ(hook->Release(), 1u);
  EXPECT_EQ(hook->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);
}

} // namespace
