// The real program with the browser-backed runtime (tools/browser_runtime/) on the stand-in
// suite (tools/standin_suite/), as a user sees it: what the page shows (read over the browser's
// DevTools endpoint), the window title, the addresses handed to the default browser (the https
// recorder) and the exit code. Input reaches the page through the runtime's page window, as a
// person's mouse and keys would.
//
// Each case runs a program of its own. Run by browser_e2e_test.sh, which serves the stand-in suite
// while the file "up" exists in BROWSER_E2E_WORK (every connection reset otherwise) and writes the
// state it switched to into the file "suite" there.
// Winsock before windows.h.
#include "../../tools/browser_runtime/src/devtools_connection.hh"

#include "e2e_support.hh"
#include "expected_texts.hh"
#include "process_driver.hh"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

const std::string editor_url = "https://zo-office.zorvel.net/en/suite/editor/";
const std::string unsaved_url = "https://zo-office.zorvel.net/en/suite/unsaved/";
const std::string windows_url = "https://zo-office.zorvel.net/en/suite/windows/";
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

// Brings the stand-in suite up or down and waits until the server has switched.
bool set_suite_up(bool up) {
  const std::wstring request = work_folder() + L"\\up";
  if (up) {
    write_file(request, "");
  } else {
    DeleteFileW(request.c_str());
  }
  const std::string state = up ? "up\n" : "down\n";
  return eventually([&] { return read_file(work_folder() + L"\\suite") == state; }, 10000);
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

  // The ids of the page's calls of `method`, in order (from the runtime's log).
  std::vector<std::string> call_ids(const std::string &method) {
    std::vector<std::string> ids;
    std::istringstream log(read_file(folder_ + L"\\calls.log"));
    const std::string head = "-> WebMessageReceived text {\"id\":\"";
    const std::string tail = "\",\"method\":\"" + method + "\"";
    for (std::string line; std::getline(log, line);) {
      const std::size_t end = line.find('"', head.size());
      if (line.rfind(head, 0) == 0 && end != std::string::npos &&
          line.compare(end, tail.size(), tail) == 0) {
        ids.push_back(line.substr(head.size(), end - head.size()));
      }
    }
    return ids;
  }
  // What the program answered to the call `ids[index]`: the reply script's arguments after the
  // id ("STATUS, RESULT)"); "" while there is no such call or answer.
  std::string answer_to(const std::vector<std::string> &ids, std::size_t index) {
    if (index >= ids.size()) {
      return "";
    }
    std::istringstream log(read_file(folder_ + L"\\calls.log"));
    const std::string head = "ExecuteScript window.__webview__.onReply(\"" + ids[index] + "\", ";
    for (std::string line; std::getline(log, line);) {
      if (line.rfind(head, 0) == 0) {
        return line.substr(head.size());
      }
    }
    return "";
  }

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
    register_runtime(HKEY_CURRENT_USER,
                     runtime_folder_of(windows_path(BROWSER_RUNTIME_DLL_FOLDER) +
                                       L"\\EmbeddedBrowserWebView.dll"),
                     L"120.0.2210.91");
  }
  static void TearDownTestSuite() { unregister_runtime(); }
  void SetUp() override {
    install_url_recorder();
    ASSERT_TRUE(set_suite_up(true));
  }
  // A program of its own on the start page, its page watched.
  static void start_on_the_start_page(ProgramRun &run) {
    ASSERT_TRUE(run.title_becomes(start_title, 30000)) << to_utf8(run.title());
    ASSERT_TRUE(run.watch());
  }
  // The same, then on the stand-in page that opens windows.
  static void start_on_the_windows_page(ProgramRun &run) {
    ASSERT_NO_FATAL_FAILURE(start_on_the_start_page(run));
    run.go(windows_url);
    ASSERT_TRUE(run.title_becomes(L"Windows (stand-in)")) << to_utf8(run.title());
    ASSERT_TRUE(run.value_becomes("document.readyState", "\"complete\""));
  }
};

// The suite is down at first: the offline page shows with its title; once the suite is up,
// the page retries by itself and the start page shows.
TEST_F(BrowserScenarios, OfflinePageThenTheStartPageWhenTheSuiteComesUp) {
  ASSERT_TRUE(set_suite_up(false));
  ProgramRun run(L"offline", L"");
  ASSERT_TRUE(run.main_window());
  ASSERT_TRUE(run.title_becomes(offline_title, 30000)) << to_utf8(run.title());
  ASSERT_TRUE(run.watch());
  // The page retries by itself, so a check may land while a retry is under way.
  EXPECT_TRUE(run.value_becomes("document.getElementById('r') !== null", "true"));
  ASSERT_TRUE(set_suite_up(true));
  const double up_at = run.seconds();
  EXPECT_TRUE(run.title_becomes(start_title, 20000)) << to_utf8(run.title());
  EXPECT_EQ(run.value("location.href"), "\"https://zo-desk-app.zorvel.net/app/?platform=desktop\"");
  std::printf("offline page to start page: %.1f s after the suite came up\n",
              run.seconds() - up_at);
}

// The window title follows the page, also for a title typed into the page's field.
TEST_F(BrowserScenarios, WindowTitleFollowsThePage) {
  ProgramRun run(L"title", L"");
  start_on_the_start_page(run);
  ASSERT_TRUE(run.click("#title-text"));
  ASSERT_TRUE(run.value_becomes("document.activeElement.id", "\"title-text\""));
  run.value("void document.getElementById('title-text').select()");
  run.type(L"Typed title ✓");
  EXPECT_TRUE(
      run.value_becomes("document.getElementById('title-text').value", "\"Typed title ✓\""));
  ASSERT_TRUE(run.click("#set-title"));
  EXPECT_TRUE(run.title_becomes(L"Typed title ✓")) << to_utf8(run.title());
  run.value("void (document.title = '')");
  EXPECT_TRUE(run.title_becomes(L"https://zo-desk-app.zorvel.net/app/?platform=desktop"))
      << to_utf8(run.title());
}

// The launch file reaches the editor page's drop handler once, name and bytes intact; the
// update bar shows on the suite's main site and its link opens in the default browser, once.
TEST_F(BrowserScenarios, LaunchFileDroppedOnceAndUpdateLinkOpensInTheBrowser) {
  const std::wstring launch_path = work_folder() + L"\\" + launch_name;
  ASSERT_TRUE(write_file(launch_path, launch_bytes));
  ProgramRun run(L"launch", launch_path);
  start_on_the_start_page(run);
  ASSERT_TRUE(run.click("#to-editor"));
  const std::wstring dropped = L"Dropped " + launch_name + L" (10 bytes)";
  ASSERT_TRUE(run.title_becomes(dropped)) << to_utf8(run.title());
  EXPECT_TRUE(
      run.value_becomes("window.__standinDrops", "[{\"name\":" + zbr::quote(to_utf8(launch_name)) +
                                                     ",\"size\":10,\"sha256\":\"" + launch_sha256 +
                                                     "\",\"drops\":1}]"));

  ASSERT_TRUE(run.value_becomes("!!document.querySelector('[role=status] a')", "true"));
  EXPECT_EQ(run.value("document.querySelector('[role=status] a').textContent"), "\"Update\"");
  ASSERT_TRUE(run.click("[role=status] a"));
  ASSERT_TRUE(eventually([] { return !recorded_addresses().empty(); }, 10000));
  EXPECT_EQ(run.value("location.href"), zbr::quote(editor_url)); // the page stays

  // Typing into a field of the page.
  ASSERT_TRUE(run.click("#typing"));
  ASSERT_TRUE(run.value_becomes("document.activeElement.id", "\"typing\""));
  run.type(L"héllo مرحبا");
  EXPECT_TRUE(run.value_becomes("document.getElementById('typing').value", "\"héllo مرحبا\""));

  // Loaded again, the editor page asks again and is answered null: no second drop.
  run.value("void location.reload()");
  ASSERT_TRUE(run.title_becomes(L"Editor (stand-in)"));
  std::string second_answer;
  EXPECT_TRUE(eventually([&] {
    second_answer = run.answer_to(run.call_ids("__zoArgFile"), 1);
    return !second_answer.empty();
  })) << "the reloaded page's request was not answered";
  EXPECT_EQ(second_answer, "0, \"null\")");
  EXPECT_EQ(run.value("document.getElementById('drop-count').textContent"), "\"0\"");
  EXPECT_EQ(run.title(), L"Editor (stand-in)");

  EXPECT_EQ(run.close(), 0);
  EXPECT_EQ(opened_addresses(1),
            (std::vector<std::string>{"https://zo-office.zorvel.net/download/"}));
}

// A notification raised by a suite page resolves true.
TEST_F(BrowserScenarios, NotificationFromASuitePageResolvesTrue) {
  ProgramRun run(L"notify", L"");
  start_on_the_start_page(run);
  run.go("https://zo-office.zorvel.net/en/suite/notify/?auto=native");
  EXPECT_TRUE(run.title_becomes(L"Notification answered true")) << to_utf8(run.title());
}

// On a page outside the suite the dock shows; Back, Apps and Alt+Home work.
TEST_F(BrowserScenarios, DockOnThePageOutsideTheSuite) {
  ProgramRun run(L"dock", L"");
  start_on_the_start_page(run);
  run.go("https://outside.example.test/");
  ASSERT_TRUE(run.title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run.title());
  ASSERT_TRUE(run.value_becomes("!!document.getElementById('zo-dock')", "true"));
  EXPECT_EQ(run.value("document.getElementById('zo-dock-back').getAttribute('aria-label')"),
            "\"Back\"");

  ASSERT_TRUE(run.click("#to-second"));
  ASSERT_TRUE(run.title_becomes(L"Outside, second page (stand-in)"));
  ASSERT_TRUE(run.value_becomes("!!document.getElementById('zo-dock-back')", "true"));
  ASSERT_TRUE(run.click("#zo-dock-back"));
  EXPECT_TRUE(run.title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run.title());

  ASSERT_TRUE(run.value_becomes("!!document.getElementById('zo-dock-apps')", "true"));
  ASSERT_TRUE(run.click("#zo-dock-apps"));
  EXPECT_TRUE(run.title_becomes(start_title)) << to_utf8(run.title());
  EXPECT_EQ(run.value("document.getElementById('zo-dock')"), "null"); // not on the shell page

  run.go("https://outside.example.test/second/");
  ASSERT_TRUE(run.title_becomes(L"Outside, second page (stand-in)"));
  ASSERT_TRUE(run.value_becomes("document.readyState", "\"complete\""));
  run.alt_home();
  EXPECT_TRUE(run.title_becomes(start_title)) << to_utf8(run.title());
}

// A crashed renderer is recovered: the page comes back by itself.
TEST_F(BrowserScenarios, CrashedRendererIsRecovered) {
  ProgramRun run(L"crash", L"");
  start_on_the_start_page(run);
  run.value("void (document.body.dataset.before = 'crash')");
  run.crash_renderer();
  EXPECT_TRUE(run.value_becomes("document.readyState === 'complete' && "
                                "document.body.dataset.before === undefined",
                                "true", 30000));
  EXPECT_TRUE(run.title_becomes(start_title)) << to_utf8(run.title());
}

// Closing the window ends the program with 0, and the browser with it.
TEST_F(BrowserScenarios, ClosingEndsTheProgramAndTheBrowser) {
  ProgramRun run(L"close", L"");
  start_on_the_start_page(run);
  EXPECT_EQ(run.close(), 0);
  EXPECT_TRUE(eventually([&] { return !run.browser_connected(); }, 10000));
}

// With unsaved work on the page, closing asks first: "No" keeps the window and the page as they
// were; closing again and "Yes" ends the program normally.
TEST_F(BrowserScenarios, ClosingWithUnsavedWorkAsksFirst) {
  ProgramRun run(L"unsaved", L"");
  start_on_the_start_page(run);
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
  // Nothing may follow: no second question once the 3 s the page gets to answer have passed.
  EXPECT_FALSE(eventually(
      [&] { return run.program().count_windows(L"#32770") > 0 || run.program().wait(0) != -1; },
      3500));
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
  ProgramRun run(L"large", path);
  start_on_the_start_page(run);
  run.go("https://outside.example.test/");
  ASSERT_TRUE(run.title_becomes(L"Outside the suite (stand-in)")) << to_utf8(run.title());
  const std::string outcome = ".then(function(r){return 'resolved ' + JSON.stringify(r)},"
                              "function(){return 'rejected'})";
  EXPECT_EQ(run.value("window.__zoArgFile()" + outcome), "\"resolved null\"");
  EXPECT_EQ(run.value("window.__zoNotify('Outside', {})" + outcome), "\"rejected\"");
  EXPECT_EQ(run.value("window.__zoExternal('https://zo-office.zorvel.net/download/')" + outcome),
            "\"rejected\"");
  // Answered: an address the program opened has been handed to the recorder by now.
  EXPECT_EQ(opened_addresses(0), std::vector<std::string>{});

  run.go(editor_url);
  ASSERT_TRUE(run.title_becomes(L"Dropped large.bin (62914559 bytes)", 120000))
      << to_utf8(run.title());
  const double to_drop = run.seconds(); // includes the detour above
  EXPECT_TRUE(run.value_becomes("window.__standinDrops.map(function(d){return d.sha256})",
                                std::string("[\"") + large_sha256 + "\"]", 60000));
  std::printf("largest launch file: %.1f s from start to the drop\n", to_drop);
  EXPECT_EQ(run.close(), 0);
}

// A suite page opens a suite document with window.open: it shows in a new window of the program,
// linked to its opener, whose page receives the document's window.opener.postMessage. Closing
// both windows ends the program normally.
TEST_F(BrowserScenarios, SuiteDocumentOpensInANewWindowLinkedToItsOpener) {
  ProgramRun run(L"new-window", L"");
  start_on_the_windows_page(run);
  ASSERT_TRUE(run.click("#open-document"));
  EXPECT_TRUE(run.value_becomes("window.__standinMessages",
                                "[\"https://zo-office.zorvel.net: editor opened at "
                                "https://zo-office.zorvel.net/en/suite/editor/?opened=1\"]",
                                30000));
  std::vector<std::wstring> titles;
  EXPECT_TRUE(eventually([&] {
    titles.clear();
    for (HWND window : run.program().windows(L"webview")) {
      titles.push_back(window_text(window));
    }
    return titles.size() == 2 &&
           (titles[0] == L"Editor (stand-in)" || titles[1] == L"Editor (stand-in)");
  })) << titles.size()
      << " windows";
  EXPECT_EQ(run.title(), L"Windows (stand-in)"); // the opener stays

  for (HWND window : run.program().windows(L"webview")) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(run.program().wait(20000), 0);
}

// A link to a page outside the suite that asks for a new tab: the address goes to the default
// browser, no window opens and the page stays.
TEST_F(BrowserScenarios, OutsideLinkForANewTabOpensInTheDefaultBrowser) {
  ProgramRun run(L"new-tab-link", L"");
  start_on_the_windows_page(run);
  ASSERT_TRUE(run.click("#outside-new-tab"));
  EXPECT_EQ(opened_addresses(1),
            (std::vector<std::string>{"https://outside.example.test/?via=new-tab-link"}));
  EXPECT_EQ(run.program().count_windows(L"webview"), 1);
  EXPECT_EQ(run.value("location.href"), zbr::quote(windows_url));
  EXPECT_EQ(run.close(), 0);
}

} // namespace
