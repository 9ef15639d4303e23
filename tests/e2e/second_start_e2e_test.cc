// A second start of the real application while the first runs, with the browser runtime's test
// double beside it: the second hands its argument over and ends, and the first opens it (a new
// window for a link or a file, its window brought to the front for nothing); a first that does
// not answer leaves the second to start by itself.
//
// Each test copies ZorvelOffice.exe and the double's WebView2Loader.dll into a folder of its own
// and starts that copy twice, as Explorer or a mail's link would. The double logs the calls of
// the process that loads it.
#include "e2e_support.hh"
#include "expected_texts.hh"
#include "process_driver.hh"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifndef ZORVEL_APP_EXE
#error "ZORVEL_APP_EXE (path of the built application) must be defined"
#endif
#ifndef WV2D_LOADER_DLL
#error "WV2D_LOADER_DLL (path of the double's loader module) must be defined"
#endif

namespace {

using namespace e2e;

using expected::editor_page;
using expected::start_url;

// What the log holds after NAME and one space, for every call NAME, in order (texts without
// escapes: the addresses here have no backslash, control character or space).
std::vector<std::string> logged(const std::string &log, const std::string &name) {
  std::vector<std::string> found;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(name + " ", 0) == 0) {
      found.push_back(line.substr(name.size() + 1));
    }
  }
  return found;
}

// Resumes a suspended thread however the test ends.
class suspended_thread {
public:
  explicit suspended_thread(DWORD thread_id)
      : thread_(OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread_id)) {
    suspended_ = thread_ != nullptr && SuspendThread(thread_) != static_cast<DWORD>(-1);
  }
  suspended_thread(const suspended_thread &) = delete;
  suspended_thread &operator=(const suspended_thread &) = delete;
  ~suspended_thread() { resume(); }
  bool suspended() const { return suspended_; }
  void resume() {
    if (suspended_) {
      ResumeThread(thread_);
      suspended_ = false;
    }
    if (thread_ != nullptr) {
      CloseHandle(thread_);
      thread_ = nullptr;
    }
  }

private:
  HANDLE thread_;
  bool suspended_ = false;
};

class SecondStart : public testing::Test {
protected:
  void SetUp() override {
    const std::wstring root = own_directory() + L"\\second_start";
    CreateDirectoryW(root.c_str(), nullptr);
    folder_ = root + L"\\" + widen(testing::UnitTest::GetInstance()->current_test_info()->name());
    CreateDirectoryW(folder_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(windows_path(ZORVEL_APP_EXE).c_str(), exe().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(windows_path(WV2D_LOADER_DLL).c_str(),
                          in_folder(L"WebView2Loader.dll").c_str(), FALSE));
    ASSERT_FALSE(process_running(L"ZorvelOffice.exe"))
        << "a program left from before would take these starts over";
    clear_runtime_registration();
    ASSERT_TRUE(set_string(HKEY_CURRENT_USER, clients_key, L"pv", L"120.0.2210.91"));
    wchar_t app_data[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
    // Every test starts as a first start: in the middle of the work area.
    DeleteFileW((std::wstring(app_data) + L"\\ZorvelOffice.exe\\window.txt").c_str());
  }

  void TearDown() override {
    clear_runtime_registration();
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr);
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", nullptr);
  }

  static std::wstring widen(const char *text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
  }
  const std::wstring &folder() const { return folder_; }
  std::wstring exe() const { return in_folder(L"ZorvelOffice.exe"); }
  std::wstring in_folder(const std::wstring &name) const { return folder_ + L"\\" + name; }

  // Starts the copy in `directory` with `arguments`, the double logging to `log_name` and
  // configured with `config` (a page lets the navigation of a closing go at once).
  std::unique_ptr<running_program> start(const std::wstring &arguments,
                                         const std::wstring &directory,
                                         const std::wstring &log_name,
                                         const std::string &config = "") {
    const std::wstring config_path = in_folder(log_name + L".txt");
    EXPECT_TRUE(write_file(config_path, "complete=about:blank\n" + config));
    DeleteFileW(in_folder(log_name).c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", in_folder(log_name).c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", config_path.c_str());
    auto app = std::make_unique<running_program>(
        quoted(exe()) + (arguments.empty() ? L"" : L" " + arguments), directory);
    EXPECT_TRUE(app->started());
    return app;
  }

  // The first program, started without an argument, once it has asked for its first page.
  std::unique_ptr<running_program> start_first(const std::string &config = "") {
    auto first = start(L"", own_directory(), L"first.log", config);
    window_ = first->find_window(L"webview", 20000);
    EXPECT_NE(window_, nullptr) << "the first program shows no window";
    EXPECT_TRUE(eventually([&] { return navigations().size() == 1; }));
    return first;
  }

  std::vector<std::string> navigations(const wchar_t *log_name = L"first.log") const {
    return logged(read_file(in_folder(log_name)), "Navigate");
  }

  // Closes every window of the program; its exit code (-1: still running).
  static long close_all(running_program &app) {
    for (HWND w : app.windows(L"webview")) {
      PostMessageW(w, WM_CLOSE, 0, 0);
    }
    return app.wait(20000);
  }

  HWND window_ = nullptr; // the first program's window

private:
  std::wstring folder_;
};

TEST_F(SecondStart, ALinkOpensInANewWindowOfTheFirstProgram) {
  auto first = start_first();
  auto second = start(L"ZorvelOffice:open?doc=7&n=\u0639", folder(), L"second.log");
  EXPECT_EQ(second->wait(10000), 0);
  EXPECT_EQ(first->wait(0), -1) << "the first program still runs";

  EXPECT_TRUE(eventually([&] { return navigations().size() >= 2; }));
  EXPECT_EQ(navigations(),
            (std::vector<std::string>{
                start_url, start_url + "&w=ZorvelOffice%3Aopen%3Fdoc%3D7%26n%3D%D8%B9"}));
  EXPECT_TRUE(eventually([&] { return first->count_windows(L"webview") == 2; }));
  EXPECT_EQ(read_file(in_folder(L"second.log")), "") << "the second start made no browser";
  EXPECT_EQ(close_all(*first), 0);
}

TEST_F(SecondStart, AFileOpensInANewWindowWhoseEditorPageGetsIt) {
  CreateDirectoryW(in_folder(L"docs").c_str(), nullptr);
  ASSERT_TRUE(
      write_file(in_folder(L"docs\\report.docx"), std::string("PK\x03\x04\x00\xFF\x80\n\"\\", 10)));
  // The new window's editor page (the newest browser) asks for the file.
  auto first = start_first("on=Navigate#2 +100 web_message_from " + editor_page +
                           " {\"id\":\"b1\",\"method\":\"__zoArgFile\",\"params\":[]}\n");
  // Relative to the second start's working directory, which is not the first's.
  auto second = start(L"docs\\report.docx", folder(), L"second.log");
  EXPECT_EQ(second->wait(10000), 0);
  EXPECT_EQ(first->wait(0), -1);

  const std::string reply =
      R"(window.__webview__.onReply("b1", 0, "{\\"name\\":\\"report.docx\\",\\"b64\\":\\"UEsDBAD/gAoiXA==\\"}"))";
  auto replies = [&] {
    std::vector<std::string> found;
    for (const auto &script : logged(read_file(in_folder(L"first.log")), "ExecuteScript")) {
      if (script.rfind("window.__webview__.onReply(", 0) == 0) {
        found.push_back(script);
      }
    }
    return found;
  };
  EXPECT_TRUE(eventually([&] { return !replies().empty(); }));
  EXPECT_EQ(replies(), std::vector<std::string>{reply});
  EXPECT_EQ(navigations(), (std::vector<std::string>{start_url, start_url}));
  EXPECT_EQ(first->count_windows(L"webview"), 2);
  EXPECT_EQ(close_all(*first), 0);
}

TEST_F(SecondStart, NothingBringsTheMinimisedWindowBack) {
  auto first = start_first();
  ASSERT_NE(window_, nullptr);
  ShowWindow(window_, SW_MINIMIZE);
  ASSERT_TRUE(eventually([&] { return IsIconic(window_) != 0; }, 5000));
  // The user works in another program meanwhile.
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                               300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(eventually([&] { return GetForegroundWindow() == other; }, 5000));

  auto second = start(L"", folder(), L"second.log");
  EXPECT_EQ(second->wait(10000), 0);
  // Watched without running this thread's messages: under Wine, the focus leaving the test's
  // own window can otherwise make the desktop the foreground window.
  bool restored = false, in_front = false;
  for (const ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end && !in_front;) {
    Sleep(20);
    restored = !IsIconic(window_);
    in_front = restored && GetForegroundWindow() == window_;
  }
  EXPECT_TRUE(restored) << "still minimised";
  EXPECT_TRUE(in_front) << "not in front";
  EXPECT_EQ(first->count_windows(L"webview"), 1);
  EXPECT_EQ(navigations(), std::vector<std::string>{start_url});
  EXPECT_EQ(close_all(*first), 0);
  DestroyWindow(other);
}

TEST_F(SecondStart, AHungFirstProgramLeavesTheSecondToStartByItself) {
  auto first = start_first();
  ASSERT_NE(window_, nullptr);
  suspended_thread hung(GetWindowThreadProcessId(window_, nullptr));
  ASSERT_TRUE(hung.suspended());

  const ULONGLONG started = GetTickCount64();
  auto second = start(L"zorveloffice:x", folder(), L"second.log");
  HWND own = second->find_window(L"webview", 15000);
  ASSERT_NE(own, nullptr) << "the second start shows no window of its own";
  EXPECT_LE(GetTickCount64() - started, 8000u) << "the second waited too long for the first";
  EXPECT_TRUE(eventually([&] { return navigations(L"second.log").size() == 1; }));
  EXPECT_EQ(navigations(L"second.log"),
            std::vector<std::string>{start_url + "&w=zorveloffice%3Ax"});
  EXPECT_EQ(close_all(*second), 0);

  hung.resume();
  EXPECT_EQ(close_all(*first), 0) << "the first goes on once it answers again";
}

} // namespace
