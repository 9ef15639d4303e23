// The real program with the browser-backed runtime (tools/browser_runtime/) on the stand-in
// suite (tools/standin_suite/), as a user sees it: what the page shows (read over the browser's
// DevTools endpoint), the window title, the addresses handed to the default browser (the https
// recorder) and the exit code. Input reaches the page through the runtime's page window, as a
// person's mouse and keys would.
//
// Run by browser_e2e_test.sh, which starts the stand-in suite down (every connection reset) and
// brings it up when this program creates the file "up" in BROWSER_E2E_WORK.
// Winsock before windows.h.
#include "../../tools/browser_runtime/src/devtools_connection.hh"

#include "e2e_support.hh"
#include "expected_texts.hh"
#include "process_driver.hh"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#ifndef ZORVEL_APP_EXE
#error "ZORVEL_APP_EXE (path of the built application) must be defined"
#endif
#ifndef BROWSER_RUNTIME_DLL_FOLDER
#error                                                                                             \
    "BROWSER_RUNTIME_DLL_FOLDER (the folder of the browser-backed runtime's library) must be defined"
#endif

namespace {

using namespace e2e;
using zbr::Json;

const std::string start_url = "https://zo-desk-app.zorvel.net/app/?platform=desktop";
const std::string editor_url = "https://zo-office.zorvel.net/en/suite/editor/";
const std::string unsaved_url = "https://zo-office.zorvel.net/en/suite/unsaved/";
const std::wstring offline_title = L"زورفل أوفيس — لا يوجد اتصال";
const std::wstring start_title = L"Zorvel Office (stand-in start page)";

// The launch file: a name with Arabic and a space, bytes that need care (NUL, high bytes).
const std::wstring launch_name = L"تقرير 2026.docx";
const std::string launch_bytes("PK\x03\x04\x00\xFF\x80\n\"\\", 10);
const char launch_sha256[] = "d3c39ebd5683e32648a467cc8135b6048d06b1ee40ba460b527a2a551cadfab8";

// The largest launch file: 62,914,559 bytes, byte i = (i * 7 + (i >> 11)) & 255.
constexpr std::size_t large_size = 62914559;
const char large_sha256[] = "679ce811a96ea83e6793d35d7a66fef3efce863ccf5676313c170d3558cc4e74";

std::wstring work_folder() {
  wchar_t value[1024] = {};
  GetEnvironmentVariableW(L"BROWSER_E2E_WORK", value, 1024);
  return value;
}

// Runs the thread's messages (the DevTools replies) while waiting.
void pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&m);
    }
    Sleep(20);
  }
}

bool eventually(const std::function<bool()> &condition, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (GetTickCount64() > end) {
      return false;
    }
    pump(100);
  }
}

const wchar_t clients_value_key[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t client_state_key[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// The browser-backed runtime, registered as an installed runtime for the current user.
void register_runtime() {
  set_string(HKEY_CURRENT_USER, clients_value_key, L"pv", L"120.0.2210.91");
  // The version folder: two levels above EBWebView\x64.
  std::wstring folder = windows_path(BROWSER_RUNTIME_DLL_FOLDER);
  folder = folder.substr(0, folder.rfind(L'\\'));
  folder = folder.substr(0, folder.rfind(L'\\'));
  set_string(HKEY_CURRENT_USER, client_state_key, L"EBWebView", folder, KEY_WOW64_32KEY);
}

void unregister_runtime() {
  RegDeleteKeyW(HKEY_CURRENT_USER, clients_value_key);
  RegDeleteKeyExW(HKEY_CURRENT_USER, client_state_key, KEY_WOW64_32KEY, 0);
}

// One run of the program with the runtime, its page watched over DevTools.
class ProgramRun {
public:
  // `name` names the run's folder below the work folder; `argument` is the launch argument.
  ProgramRun(const std::wstring &name, const std::wstring &argument) {
    folder_ = work_folder() + L"\\" + name;
    CreateDirectoryW(folder_.c_str(), nullptr);
    SetEnvironmentVariableW(L"ZO_BROWSER_RUNTIME_PROFILE", (folder_ + L"\\profile").c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", (folder_ + L"\\calls.log").c_str());
    started_ = std::chrono::steady_clock::now();
    program_ = std::make_unique<running_program>(
        quoted(windows_path(ZORVEL_APP_EXE)) + (argument.empty() ? L"" : L" " + quoted(argument)),
        folder_);
  }
  ~ProgramRun() {
    if (program_->wait(0) == -1 && main_window()) {
      PostMessageW(main_window(), WM_CLOSE, 0, 0);
      program_->wait(15000);
    }
  }

  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }
  running_program &program() { return *program_; }
  HWND main_window() {
    if (!window_) {
      window_ = program_->find_window(L"webview", 30000);
      if (!window_) {
        std::printf("no main window: started %d, exit code %ld, a dialog %s\n",
                    program_->started() ? 1 : 0, program_->wait(0),
                    program_->find_window(L"#32770", 100) ? "shows" : "does not show");
      }
    }
    return window_;
  }
  std::wstring title() { return main_window() ? window_text(main_window()) : L"(no window)"; }
  bool title_becomes(const std::wstring &expected, DWORD timeout_ms = 20000) {
    return eventually([&] { return title() == expected; }, timeout_ms);
  }

  // Attaches to the program's page: the tab the runtime made (its id is in the call log).
  bool watch() {
    std::string target;
    if (!eventually(
            [&] {
              const std::string log = read_file(folder_ + L"\\calls.log");
              const std::size_t at = log.find("# browser: page ");
              if (at == std::string::npos) {
                return false;
              }
              target = log.substr(at + 16, log.find(' ', at + 16) - at - 16);
              return true;
            },
            30000)) {
      return false;
    }
    std::istringstream active(read_file(folder_ + L"\\profile\\DevToolsActivePort"));
    int port = 0;
    std::string path;
    active >> port >> path;
    if (port == 0 || !devtools_.connect(port, path)) {
      return false;
    }
    const auto attached = devtools_.call(
        "Target.attachToTarget", "{\"targetId\":" + zbr::quote(target) + ",\"flatten\":true}");
    if (!attached) {
      return false;
    }
    session_ = (*attached)["sessionId"].str();
    return true;
  }
  bool browser_connected() const { return devtools_.connected(); }

  // The value of a script expression in the page (promises awaited), as JSON text of
  // JSON.stringify; "" when it cannot be evaluated.
  std::string value(const std::string &expression) {
    const auto reply =
        devtools_.call("Runtime.evaluate",
                       "{\"expression\":" +
                           zbr::quote("Promise.resolve(" + expression +
                                      ").then(function(v){return JSON.stringify(v)})") +
                           ",\"returnByValue\":true,\"awaitPromise\":true}",
                       session_, 15000);
    return reply ? (*reply)["result"]["value"].str() : "";
  }
  bool value_becomes(const std::string &expression, const std::string &expected,
                     DWORD timeout_ms = 15000) {
    return eventually([&] { return value(expression) == expected; }, timeout_ms);
  }

  // The runtime's child window that shows the page and takes its input.
  HWND page_window() {
    HWND found = nullptr;
    EnumChildWindows(
        main_window(),
        [](HWND h, LPARAM lp) -> BOOL {
          wchar_t cls[64] = {};
          GetClassNameW(h, cls, 64);
          if (lstrcmpW(cls, L"ZorvelBrowserRuntimePage") == 0) {
            *reinterpret_cast<HWND *>(lp) = h;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }
  // A left click in the middle of the element `selector`, through the page window.
  bool click(const std::string &selector) {
    const std::string where =
        value("(function(){var e=document.querySelector(" + zbr::quote(selector) +
              ");if(!e)return null;e.scrollIntoView({block:'center'});"
              "var r=e.getBoundingClientRect();"
              "return [Math.round(r.x+r.width/2),Math.round(r.y+r.height/2)]})()");
    const auto point = Json::parse(where);
    if (!point || point->size() != 2) {
      return false;
    }
    const LPARAM at = MAKELPARAM(point->at(0).integer(), point->at(1).integer());
    HWND page = page_window();
    PostMessageW(page, WM_MOUSEMOVE, 0, at);
    PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(page, WM_LBUTTONUP, 0, at);
    return true;
  }
  void type(const std::wstring &text) {
    for (wchar_t c : text) {
      PostMessageW(page_window(), WM_CHAR, c, 1);
    }
  }
  void alt_home() {
    const LPARAM alt = 1 | (1 << 29);
    PostMessageW(page_window(), WM_SYSKEYDOWN, VK_MENU, alt);
    PostMessageW(page_window(), WM_SYSKEYDOWN, VK_HOME, alt);
    PostMessageW(page_window(), WM_SYSKEYUP, VK_HOME, alt);
    PostMessageW(page_window(), WM_KEYUP, VK_MENU, 1);
  }
  // Navigation started by the page, as a followed link would.
  void go(const std::string &url) { value("void (location.href = " + zbr::quote(url) + ")"); }

  // Crashes the page's renderer, as a fault in the browser would (Page.crash never answers).
  void crash_renderer() { devtools_.send("Page.crash", "{}", session_); }

  long close() {
    PostMessageW(main_window(), WM_CLOSE, 0, 0);
    return program_->wait(20000);
  }

private:
  std::wstring folder_;
  std::chrono::steady_clock::time_point started_;
  std::unique_ptr<running_program> program_;
  HWND window_ = nullptr;
  zbr::DevToolsConnection devtools_;
  std::string session_;
};

class BrowserScenarios : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    register_runtime();
    install_url_recorder();
    launch_path_ = work_folder() + L"\\" + launch_name;
    write_file(launch_path_, launch_bytes);
    run_ = new ProgramRun(L"main", launch_path_);
  }
  static void TearDownTestSuite() {
    delete run_;
    run_ = nullptr;
    unregister_runtime();
  }

  static ProgramRun *run_;
  static std::wstring launch_path_;
};

ProgramRun *BrowserScenarios::run_ = nullptr;
std::wstring BrowserScenarios::launch_path_;

// The suite is down at first: the offline page shows with its title; once the suite is up,
// the page retries by itself and the start page shows.
TEST_F(BrowserScenarios, OfflinePageThenTheStartPageWhenTheSuiteComesUp) {
  ASSERT_TRUE(run_->main_window());
  ASSERT_TRUE(run_->title_becomes(offline_title, 30000)) << to_utf8(run_->title());
  ASSERT_TRUE(run_->watch());
  // The page retries by itself, so a check may land while a retry is under way.
  EXPECT_TRUE(run_->value_becomes("document.getElementById('r') !== null", "true"));
  write_file(work_folder() + L"\\up", "");
  const double up_at = run_->seconds();
  EXPECT_TRUE(run_->title_becomes(start_title, 20000)) << to_utf8(run_->title());
  EXPECT_EQ(run_->value("location.href"), zbr::quote(start_url));
  std::printf("offline page to start page: %.1f s after the suite came up\n",
              run_->seconds() - up_at);
}

// The window title follows the page, also for a title typed into the page's field.
TEST_F(BrowserScenarios, WindowTitleFollowsThePage) {
  ASSERT_TRUE(run_->title_becomes(start_title));
  ASSERT_TRUE(run_->click("#title-text"));
  ASSERT_TRUE(run_->value_becomes("document.activeElement.id", "\"title-text\""));
  run_->value("void document.getElementById('title-text').select()");
  run_->type(L"Typed title ✓");
  EXPECT_TRUE(
      run_->value_becomes("document.getElementById('title-text').value", "\"Typed title ✓\""));
  ASSERT_TRUE(run_->click("#set-title"));
  EXPECT_TRUE(run_->title_becomes(L"Typed title ✓")) << to_utf8(run_->title());
  run_->value("void (document.title = '')");
  EXPECT_TRUE(run_->title_becomes(L"https://zo-desk-app.zorvel.net/app/?platform=desktop"))
      << to_utf8(run_->title());
}

// The launch file reaches the editor page's drop handler once, name and bytes intact; the
// update bar shows on the suite's main site and its link opens in the default browser.
TEST_F(BrowserScenarios, LaunchFileDroppedOnceAndUpdateLinkOpensInTheBrowser) {
  ASSERT_TRUE(run_->title_becomes(start_title) || run_->title().rfind(L"https://", 0) == 0);
  ASSERT_TRUE(run_->click("#to-editor"));
  const std::wstring dropped = L"Dropped " + launch_name + L" (10 bytes)";
  ASSERT_TRUE(run_->title_becomes(dropped)) << to_utf8(run_->title());
  EXPECT_TRUE(run_->value_becomes("window.__standinDrops",
                                  "[{\"name\":" + zbr::quote(to_utf8(launch_name)) +
                                      ",\"size\":10,\"sha256\":\"" + launch_sha256 +
                                      "\",\"drops\":1}]"));

  ASSERT_TRUE(run_->value_becomes("!!document.querySelector('[role=status] a')", "true"));
  EXPECT_EQ(run_->value("document.querySelector('[role=status] a').textContent"), "\"Update\"");
  ASSERT_TRUE(run_->click("[role=status] a"));
  EXPECT_EQ(opened_addresses(1),
            (std::vector<std::string>{"https://zo-office.zorvel.net/download/"}));
  EXPECT_EQ(run_->value("location.href"), zbr::quote(editor_url)); // the page stays

  // Typing into a field of the page.
  ASSERT_TRUE(run_->click("#typing"));
  ASSERT_TRUE(run_->value_becomes("document.activeElement.id", "\"typing\""));
  run_->type(L"héllo مرحبا");
  EXPECT_TRUE(run_->value_becomes("document.getElementById('typing').value", "\"héllo مرحبا\""));

  // Loaded again, the editor page gets no second drop.
  run_->value("void location.reload()");
  ASSERT_TRUE(run_->title_becomes(L"Editor (stand-in)"));
  pump(2000);
  EXPECT_EQ(run_->value("document.getElementById('drop-count').textContent"), "\"0\"");
  EXPECT_EQ(run_->title(), L"Editor (stand-in)");
}

// A notification raised by a suite page resolves true.
TEST_F(BrowserScenarios, NotificationFromASuitePageResolvesTrue) {
  run_->go("https://zo-office.zorvel.net/en/suite/notify/?auto=native");
  EXPECT_TRUE(run_->title_becomes(L"Notification answered true")) << to_utf8(run_->title());
}

// On a page outside the suite the dock shows; Back, Apps and Alt+Home work.
TEST_F(BrowserScenarios, DockOnThePageOutsideTheSuite) {
  run_->go("https://outside.example.test/");
  ASSERT_TRUE(run_->title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run_->title());
  ASSERT_TRUE(run_->value_becomes("!!document.getElementById('zo-dock')", "true"));
  EXPECT_EQ(run_->value("document.getElementById('zo-dock-back').getAttribute('aria-label')"),
            "\"Back\"");

  ASSERT_TRUE(run_->click("#to-second"));
  ASSERT_TRUE(run_->title_becomes(L"Outside, second page (stand-in)"));
  ASSERT_TRUE(run_->value_becomes("!!document.getElementById('zo-dock-back')", "true"));
  ASSERT_TRUE(run_->click("#zo-dock-back"));
  EXPECT_TRUE(run_->title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run_->title());

  ASSERT_TRUE(run_->value_becomes("!!document.getElementById('zo-dock-apps')", "true"));
  ASSERT_TRUE(run_->click("#zo-dock-apps"));
  EXPECT_TRUE(run_->title_becomes(start_title)) << to_utf8(run_->title());
  EXPECT_EQ(run_->value("document.getElementById('zo-dock')"), "null"); // not on the shell page

  run_->go("https://outside.example.test/second/");
  ASSERT_TRUE(run_->title_becomes(L"Outside, second page (stand-in)"));
  ASSERT_TRUE(run_->value_becomes("document.readyState", "\"complete\""));
  run_->alt_home();
  EXPECT_TRUE(run_->title_becomes(start_title)) << to_utf8(run_->title());
}

// A crashed renderer is recovered: the page comes back by itself.
TEST_F(BrowserScenarios, CrashedRendererIsRecovered) {
  ASSERT_TRUE(run_->title_becomes(start_title));
  run_->value("void (document.body.dataset.before = 'crash')");
  run_->crash_renderer();
  EXPECT_TRUE(run_->value_becomes("document.readyState === 'complete' && "
                                  "document.body.dataset.before === undefined",
                                  "true", 30000));
  EXPECT_TRUE(run_->title_becomes(start_title)) << to_utf8(run_->title());
}

// Closing the window ends the program with 0, and the browser with it.
TEST_F(BrowserScenarios, ClosingEndsTheProgramAndTheBrowser) {
  EXPECT_EQ(run_->close(), 0);
  EXPECT_TRUE(eventually([] { return !run_->browser_connected(); }, 10000));
}

// With unsaved work on the page, closing asks first: "No" keeps the window and the page as they
// were; closing again and "Yes" ends the program normally.
TEST_F(BrowserScenarios, ClosingWithUnsavedWorkAsksFirst) {
  write_file(work_folder() + L"\\up", ""); // the suite is up (already, after the first case)
  ProgramRun run(L"unsaved", L"");
  ASSERT_TRUE(run.title_becomes(start_title, 30000)) << to_utf8(run.title());
  ASSERT_TRUE(run.watch());
  run.go(unsaved_url);
  ASSERT_TRUE(run.title_becomes(L"Unsaved work (stand-in)")) << to_utf8(run.title());
  ASSERT_TRUE(run.value_becomes("document.readyState", "\"complete\""));
  const std::string changes = "document.getElementById('changes').textContent";
  ASSERT_TRUE(run.click("#make-change")); // a person's click: the page may now ask
  ASSERT_TRUE(run.value_becomes(changes, "\"1 unsaved change.\""));

  HWND window = run.main_window();
  PostMessageW(window, WM_CLOSE, 0, 0);
  HWND dialog = run.program().find_window(L"#32770", 20000);
  ASSERT_NE(dialog, nullptr) << "closing did not ask";
  message_box question = read_message_box(dialog);
  EXPECT_EQ(question.text, expected::leave_prompt);
  EXPECT_EQ(question.owner, window);
  EXPECT_TRUE(question.has_yes && question.has_no);
  press(dialog, IDNO);
  pump(3500); // longer than the time the page gets to answer
  EXPECT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "staying keeps the window";
  EXPECT_EQ(run.title(), L"Unsaved work (stand-in)");
  EXPECT_EQ(run.value("location.href"), zbr::quote(unsaved_url));
  EXPECT_EQ(run.value(changes), "\"1 unsaved change.\"");

  PostMessageW(window, WM_CLOSE, 0, 0);
  dialog = run.program().find_window(L"#32770", 20000);
  ASSERT_NE(dialog, nullptr) << "closing again did not ask";
  press(dialog, IDYES);
  EXPECT_EQ(run.program().wait(20000), 0) << "leaving closes the window and ends normally";
}

// A page outside the suite reaches neither the services nor the launch file; the largest launch
// file (62,914,559 bytes) then reaches the editor page intact.
TEST_F(BrowserScenarios, OutsidePageGetsNothingAndTheLargestLaunchFileReachesTheEditor) {
  std::string bytes(large_size, '\0');
  for (std::size_t i = 0; i < large_size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + (i >> 11)) & 255);
  }
  const std::wstring path = work_folder() + L"\\large.bin";
  ASSERT_TRUE(write_file(path, bytes));
  bytes = std::string();
  write_file(work_folder() + L"\\up", ""); // the suite is up (already, after the first case)
  ProgramRun run(L"large", path);
  ASSERT_TRUE(run.title_becomes(start_title, 30000)) << to_utf8(run.title());
  ASSERT_TRUE(run.watch());
  const std::size_t opened_before = opened_addresses(0).size();
  run.go("https://outside.example.test/");
  ASSERT_TRUE(run.title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run.title());
  const std::string outcome = ".then(function(r){return 'resolved ' + JSON.stringify(r)},"
                              "function(){return 'rejected'})";
  EXPECT_EQ(run.value("window.__zoArgFile()" + outcome), "\"resolved null\"");
  EXPECT_EQ(run.value("window.__zoNotify('Outside', {})" + outcome), "\"rejected\"");
  EXPECT_EQ(run.value("window.__zoExternal('https://zo-office.zorvel.net/download/')" + outcome),
            "\"rejected\"");
  pump(1000);
  EXPECT_EQ(opened_addresses(0).size(), opened_before);

  run.go(editor_url);
  ASSERT_TRUE(run.title_becomes(L"Dropped large.bin (62914559 bytes)", 120000))
      << to_utf8(run.title());
  const double to_drop = run.seconds(); // includes the detour above
  EXPECT_TRUE(run.value_becomes("window.__standinDrops.map(function(d){return d.sha256})",
                                std::string("[\"") + large_sha256 + "\"]", 60000));
  std::printf("largest launch file: %.1f s from start to the drop\n", to_drop);
  EXPECT_EQ(run.close(), 0);
}

} // namespace
