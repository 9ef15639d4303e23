// The real application executable, run with the browser runtime's test double beside it and
// observed from outside only: the double's call log, the application's top-level window, the
// addresses handed to the default browser (the https recorder) and the exit code.
//
// Every test copies ZorvelOffice.exe and the double's WebView2Loader.dll into a folder of its
// own, writes a configuration for the double there (faults and scripted browser events), points
// WV2_DOUBLE_LOG / WV2_DOUBLE_CONFIG at that folder and starts the copy. Several scripted events
// share one run: each run costs seconds under Xvfb.
#include "e2e_support.hh"
#include "process_driver.hh"

#include "expected_texts.hh"

#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
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

const std::string post_function =
    "function(message) {\n  return window.chrome.webview.postMessage(message);\n}";
const std::string bind_script =
    "(function() {\n  'use strict';\n  var methods = "
    "[\"__zoArgFile\",\"__zoExternal\",\"__zoNotify\"]"
    ";\n  methods.forEach(function(name) {\n    window.__webview__.onBind(name);\n  });\n})()";

// A 10-byte launch file with bytes that base64 turns into "+"/"/" and padding, and its encoding.
const std::string launch_bytes("PK\x03\x04\x00\xFF\x80\n\"\\", 10);
const std::string launch_b64 = "UEsDBAD/gAoiXA==";

// ---------------------------------------------------------------------------------------------
// Paths and files

std::wstring from_utf8(const std::string &s) {
  if (s.empty()) {
    return {};
  }
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// Empties a folder of files (the tests make no subfolders) and creates it when missing.
void fresh_folder(const std::wstring &folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// ---------------------------------------------------------------------------------------------
// The double's log

// Undoes the log's escapes (\\, \n, \r, \t, \xHH, \uHHHH) of one field, giving UTF-8.
std::string unescape(const std::string &field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char kind = field[++i];
    if (kind == 'n') {
      out += '\n';
    } else if (kind == 'r') {
      out += '\r';
    } else if (kind == 't') {
      out += '\t';
    } else if ((kind == 'x' || kind == 'u') && i + (kind == 'x' ? 2 : 4) < field.size()) {
      const std::size_t digits = kind == 'x' ? 2 : 4;
      const unsigned long v = std::stoul(field.substr(i + 1, digits), nullptr, 16);
      i += digits;
      if (v < 0x80) {
        out += static_cast<char>(v);
      } else { // an unpaired surrogate, kept as its three-byte form
        out += static_cast<char>(0xE0 | (v >> 12));
        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (v & 0x3F));
      }
    } else {
      out += kind;
    }
  }
  return out;
}

// One log line: its first word and the rest, split into at most `parts` escaped fields.
struct log_line {
  std::string name;
  std::string rest; // raw, still escaped
  bool callback = false;

  // The rest as `parts` fields, the last one taking what remains (spaces included), unescaped.
  std::vector<std::string> fields(std::size_t parts) const {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (out.size() + 1 < parts) {
      const std::size_t space = rest.find(' ', pos);
      if (space == std::string::npos) {
        break;
      }
      out.push_back(unescape(rest.substr(pos, space - pos)));
      pos = space + 1;
    }
    out.push_back(unescape(rest.substr(std::min(pos, rest.size()))));
    return out;
  }
  std::string text() const { return unescape(rest); } // the single (last) field
};

std::vector<log_line> parse_log(const std::string &content) {
  std::vector<log_line> lines;
  std::size_t pos = 0;
  for (std::size_t end; (end = content.find('\n', pos)) != std::string::npos; pos = end + 1) {
    std::string raw = content.substr(pos, end - pos); // only complete lines
    log_line line;
    if (raw.rfind("-> ", 0) == 0) {
      line.callback = true;
      raw = raw.substr(3);
    } else if (raw.rfind("# ", 0) == 0 || raw == "#") {
      line.name = "#";
      line.rest = raw.size() > 2 ? raw.substr(2) : "";
      lines.push_back(line);
      continue;
    }
    const std::size_t space = raw.find(' ');
    line.name = raw.substr(0, space);
    line.rest = space == std::string::npos ? "" : raw.substr(space + 1);
    lines.push_back(line);
  }
  return lines;
}

// The calls the program made (no callbacks, no notes) with the given name.
std::vector<log_line> calls_named(const std::vector<log_line> &lines, const std::string &name) {
  std::vector<log_line> out;
  for (const auto &l : lines) {
    if (!l.callback && l.name == name) {
      out.push_back(l);
    }
  }
  return out;
}

// The raw fields of the callbacks the double made with the given name, in order.
std::vector<std::string> callbacks_named(const std::vector<log_line> &lines,
                                         const std::string &name) {
  std::vector<std::string> out;
  for (const auto &l : lines) {
    if (l.callback && l.name == name) {
      out.push_back(l.rest);
    }
  }
  return out;
}

std::vector<std::string> texts_of(const std::vector<log_line> &lines, const std::string &name) {
  std::vector<std::string> out;
  for (const auto &l : calls_named(lines, name)) {
    out.push_back(l.text());
  }
  return out;
}

// Index of the first call with this name (and, when given, this exact raw rest); -1 if none.
long index_of(const std::vector<log_line> &lines, const std::string &name,
              const char *rest = nullptr) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].callback && lines[i].name == name && (rest == nullptr || lines[i].rest == rest)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

// The document-creation scripts still installed at the end, in the order they were added.
std::vector<std::string> installed_scripts(const std::vector<log_line> &lines) {
  std::vector<std::pair<std::string, std::string>> scripts; // id, code
  for (const auto &l : lines) {
    if (l.callback) {
      continue;
    }
    if (l.name == "AddScriptToExecuteOnDocumentCreated") {
      const auto f = l.fields(2);
      if (f[0] != "-") {
        scripts.emplace_back(f[0], f[1]);
      }
    } else if (l.name == "RemoveScriptToExecuteOnDocumentCreated") {
      const std::string id = l.text();
      scripts.erase(std::remove_if(scripts.begin(), scripts.end(),
                                   [&](const auto &s) { return s.first == id; }),
                    scripts.end());
    }
  }
  std::vector<std::string> codes;
  for (const auto &s : scripts) {
    codes.push_back(s.second);
  }
  return codes;
}

// The replies evaluated in the page: call id → the script of every reply to it.
std::map<std::string, std::vector<std::string>> replies(const std::vector<log_line> &lines) {
  static const std::string head = "window.__webview__.onReply(\"";
  std::map<std::string, std::vector<std::string>> out;
  for (const auto &script : texts_of(lines, "ExecuteScript")) {
    if (script.rfind(head, 0) == 0) {
      const std::size_t quote = script.find('"', head.size());
      out[script.substr(head.size(), quote - head.size())].push_back(script);
    }
  }
  return out;
}

std::string reply(const std::string &id, const std::string &escaped_result, int status = 0) {
  return "window.__webview__.onReply(\"" + id + "\", " + std::to_string(status) + ", " +
         escaped_result + ")";
}

// Where two long texts first differ, for failure messages.
std::string first_difference(const std::string &actual, const std::string &expected) {
  std::size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
    ++i;
  }
  const std::size_t from = i < 40 ? 0 : i - 40;
  return "sizes " + std::to_string(actual.size()) + " / " + std::to_string(expected.size()) +
         ", first difference at byte " + std::to_string(i) + ":\n  actual:   ..." +
         actual.substr(from, 120) + "\n  expected: ..." + expected.substr(from, 120);
}

// A page script or page of the source tree with the suite's values in place, as they must reach
// the browser: the values are written out here (as JavaScript string contents), not taken from
// the build.
std::string filled_asset(const char *name) {
  std::string text = read_file(windows_path(ZORVEL_ASSETS_DIR) + L"\\" + from_utf8(name));
  const std::pair<const char *, const char *> values[] = {
      {"@APP_VERSION@", "2.1.5"},
      {"@START_URL@", "https://zo-desk-app.zorvel.net/app/?platform=desktop"},
      {"@SUITE_APP_HOST@", "zo-desk-app.zorvel.net"},
      {"@SUITE_MAIN_HOST@", "zo-office.zorvel.net"},
      {"@SUITE_SITE_PATTERN@", "^zo-[a-z]+\\\\.zorvel\\\\.net$"},
  };
  for (const auto &value : values) {
    for (std::size_t at; (at = text.find(value.first)) != std::string::npos;) {
      text.replace(at, std::strlen(value.first), value.second);
    }
  }
  return text;
}

// The offline page as it must be shown for a retry of `address` (addresses here have no "<").
std::string offline_page_for(const std::string &address) {
  std::string page = filled_asset("offline.html");
  const std::size_t at = page.find("%URL%");
  if (at != std::string::npos) {
    page.replace(at, 5, address);
  }
  return page;
}

// A web-message rule of the double's configuration: a call as the page's bridge posts it.
std::string call_rule(int delay_ms, const std::string &id, const std::string &method,
                      const std::string &params) {
  return "on=Navigate#1 +" + std::to_string(delay_ms) + " web_message {\"id\":\"" + id +
         "\",\"method\":\"" + method + "\",\"params\":" + params + "}\n";
}

// The same call posted by the document at `source` (an address without spaces).
std::string call_rule_from(int delay_ms, const std::string &source, const std::string &id,
                           const std::string &method, const std::string &params) {
  return "on=Navigate#1 +" + std::to_string(delay_ms) + " web_message_from " + source +
         " {\"id\":\"" + id + "\",\"method\":\"" + method + "\",\"params\":" + params + "}\n";
}

// ---------------------------------------------------------------------------------------------
// The fixture: one folder per test holding the application, the double and their files.

class App : public testing::Test {
protected:
  void SetUp() override {
    const auto *info = testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring root = own_directory() + L"\\app_e2e";
    CreateDirectoryW(root.c_str(), nullptr);
    folder_ = root + L"\\" + from_utf8(info->name());
    fresh_folder(folder_);
    ASSERT_TRUE(CopyFileW(windows_path(ZORVEL_APP_EXE).c_str(), exe().c_str(), FALSE))
        << "cannot copy " << ZORVEL_APP_EXE;
    ASSERT_TRUE(CopyFileW(windows_path(WV2D_LOADER_DLL).c_str(),
                          (folder_ + L"\\WebView2Loader.dll").c_str(), FALSE))
        << "cannot copy " << WV2D_LOADER_DLL;

    install_url_recorder();
    // The recorder also stands in for the http handler, so that an http address opened by
    // mistake would be seen; the prefix's own handler comes back afterwards.
    http_command_saved_ = read_default(http_command_key, http_command_);
    set_string(HKEY_LOCAL_MACHINE, http_command_key, nullptr, quoted(recorder_path()) + L" \"%1\"");
    clear_runtime_registration();
    set_string(HKEY_CURRENT_USER, clients_key, L"pv", L"120.0.2210.91");
    DeleteFileW(placement_file().c_str()); // every test starts as a first start
  }

  void TearDown() override {
    clear_runtime_registration();
    if (http_command_saved_) {
      set_string(HKEY_LOCAL_MACHINE, http_command_key, nullptr, http_command_);
    } else {
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, http_command_key);
    }
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr);
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", nullptr);
  }

  std::wstring exe() const { return folder_ + L"\\ZorvelOffice.exe"; }

  // The browser data folder of every copy of the program in these tests, and the file in it
  // that keeps where the window was left.
  static std::wstring browser_data_folder() {
    wchar_t app_data[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
    return std::wstring(app_data) + L"\\ZorvelOffice.exe";
  }
  static std::wstring placement_file() { return browser_data_folder() + L"\\window.txt"; }
  std::wstring in_folder(const std::wstring &name) const { return folder_ + L"\\" + name; }
  std::wstring log_path() const { return in_folder(L"double.log"); }

  // Writes the double's configuration and starts the application copy with `arguments`. Unless
  // `page_lets_go` is false, the page lets the navigation that closing starts go at once, as a
  // page without unsaved work does.
  std::unique_ptr<running_program>
  start(const std::string &config, const std::wstring &arguments = L"", bool page_lets_go = true) {
    const std::wstring config_path = in_folder(L"double.txt");
    EXPECT_TRUE(write_file(config_path, (page_lets_go ? "complete=about:blank\n" : "") + config));
    DeleteFileW(log_path().c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", log_path().c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", config_path.c_str());
    std::wstring command = quoted(exe());
    if (!arguments.empty()) {
      command += L" " + arguments;
    }
    auto app = std::make_unique<running_program>(command, folder_);
    EXPECT_TRUE(app->started());
    return app;
  }

  std::vector<log_line> log() const { return parse_log(read_file(log_path())); }

  // Polls the log until `done` holds for it; the last reading either way.
  std::vector<log_line> wait_for_log(const std::function<bool(const std::vector<log_line> &)> &done,
                                     DWORD timeout_ms = 15000) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      auto lines = log();
      if (done(lines) || std::chrono::steady_clock::now() >= deadline) {
        return lines;
      }
      Sleep(50);
    }
  }

  // The exit code once the program has ended (-1: still running after `timeout_ms`).
  static long wait_closed(running_program &app, DWORD timeout_ms = 20000) {
    return app.wait(timeout_ms);
  }

  // The exit code after WM_CLOSE to the window (-1: still running).
  static long close(running_program &app, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return wait_closed(app);
  }

  static message_box wait_for_prompt(running_program &app) {
    HWND dialog = app.find_window(L"#32770", 20000);
    return dialog != nullptr ? read_message_box(dialog) : message_box{};
  }

  // The program's window once the program has asked for its first page (its start-up is over).
  HWND window_when_started(running_program &app) const {
    HWND window = app.find_window(L"webview", 20000);
    wait_for_log(
        [](const std::vector<log_line> &l) { return !calls_named(l, "Navigate").empty(); });
    return window;
  }

  // Presses a button of a prompt and waits until the prompt is gone.
  static void answer(running_program &app, const message_box &box, int button) {
    press(box.handle, button);
    eventually([&] { return !IsWindow(box.handle) || app.wait(0) != -1; }, 10000, 25);
  }

  // The launch file as an argument, and the JSON text its reply carries.
  std::wstring write_launch_file() {
    const std::wstring path = in_folder(L"launch.bin");
    EXPECT_TRUE(write_file(path, launch_bytes));
    return path;
  }
  static std::string launch_json() {
    return "\"{\\\"name\\\":\\\"launch.bin\\\",\\\"b64\\\":\\\"" + launch_b64 + "\\\"}\"";
  }

private:
  static constexpr const wchar_t *http_command_key =
      L"Software\\Classes\\http\\shell\\open\\command";

  static bool read_default(const wchar_t *key, std::wstring &value) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    value = buffer;
    return true;
  }

  std::wstring folder_;
  std::wstring http_command_;
  bool http_command_saved_ = false;
};

// ---------------------------------------------------------------------------------------------
// One run without an argument: the start-up as the browser control sees it, the window, the
// bindings answering web messages, failed loads and the title hook.

TEST_F(App, PlainStartShowsTheSuiteAndAnswersThePage) {
  const std::wstring short_title = expected::short_title;
  const std::wstring page_title = L"صفحة التقرير — Q1";
  std::string config =
      // The first source read by the navigation hook comes back null.
      "fault=get_Source S_OK 1\n"
      // The first title cannot be read: the window keeps its title.
      "fault=get_DocumentTitle E_FAIL 1\n" +
      call_rule(100, "n1", "__zoNotify", "[\"t\",\"b\"]") +
      call_rule(100, "n2", "__zoNotify", "[]") + call_rule(100, "a1", "__zoArgFile", "[]") +
      call_rule(100, "x1", "__zoExternal", "[\"http://zo-office.zorvel.net/plain\"]") +
      call_rule(100, "x2", "__zoExternal", "[\"HTTPS://zo-office.zorvel.net/upper\"]") +
      call_rule(100, "x3", "__zoExternal", "[\"https://zo-office.zorvel.net/download/\"]") +
      call_rule(100, "x4", "__zoExternal", "[]") +
      call_rule(100, "u1", "__zoMissing", "[\"t\",\"b\"]") +
      // A status that shows nothing sets the source; the next failure reads a null source.
      "on=Navigate#1 +200 navigation_completed 0 9 https://zo-office.zorvel.net/suite/kept\n"
      "on=Navigate#1 +201 navigation_completed 0 12\n";
  for (int status : {6, 7, 10, 11, 12, 13}) {
    config += "on=Navigate#1 +202 navigation_completed 0 " + std::to_string(status) +
              " https://zo-office.zorvel.net/suite/s" + std::to_string(status) + "?a=1&b=2\n";
  }
  config += "on=Navigate#1 +203 navigation_completed 0 13 http://zo-office.zorvel.net/plain\n"
            "on=Navigate#1 +203 navigation_completed 0 6 HTTPS://zo-office.zorvel.net/upper\n";
  for (int status : {0, 1, 2, 3, 4, 5, 8, 9, 14, 15, 16, 17, 18}) {
    config += "on=Navigate#1 +204 navigation_completed 0 " + std::to_string(status) +
              " https://zo-office.zorvel.net/other" + std::to_string(status) + "\n";
  }
  config += "on=Navigate#1 +205 navigation_completed 1 6 https://zo-office.zorvel.net/ok\n"
            "on=Navigate#1 +205 navigation_completed 1 0 https://zo-office.zorvel.net/ok\n";
  // Titles, far enough apart to watch each one on the window.
  config += "on=Navigate#1 +300 title Unread\n"
            "on=Navigate#1 +600 title " +
            to_utf8(page_title) + "\n" +
            "on=Navigate#1 +950 title\n"
            "on=Navigate#1 +1300 title About: us\n"
            "on=Navigate#1 +1650 title about:blank\n";

  auto app = start(config);
  HWND window = app->find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr) << "no window of class \"webview\"";
  EXPECT_EQ(window_text(window), expected::app_title) << "title before any page title";

  // Every distinct title the window shows, in order, until the last expected one.
  const std::vector<std::wstring> expected_titles = {expected::app_title, page_title, short_title,
                                                     L"About: us", short_title};
  std::vector<std::wstring> titles = {window_text(window)};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (titles.size() < expected_titles.size() && std::chrono::steady_clock::now() < deadline &&
         IsWindow(window)) {
    const std::wstring now = window_text(window);
    if (now != titles.back()) {
      titles.push_back(now);
    }
    Sleep(5);
  }
  EXPECT_EQ(titles, expected_titles)
      << "empty titles and titles starting with \"about:\" (exactly) show the short title";

  // Placement: 1280 x 840 client at 96 DPI, the outer rectangle centred in the work area.
  RECT work{}, outer{}, client{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  ASSERT_TRUE(GetWindowRect(window, &outer));
  ASSERT_TRUE(GetClientRect(window, &client));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(client.right - client.left, 1280 * dpi / 96);
  EXPECT_EQ(client.bottom - client.top, 840 * dpi / 96);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  EXPECT_GT(w, client.right - client.left) << "the outer rectangle includes the frame";
  EXPECT_GT(h, client.bottom - client.top) << "the outer rectangle includes the title bar";
  EXPECT_EQ(outer.left, work.left + (work.right - work.left - w) / 2);
  EXPECT_EQ(outer.top, work.top + (work.bottom - work.top - h) / 2);
  EXPECT_FALSE(IsZoomed(window));

  auto lines = wait_for_log([](const std::vector<log_line> &l) { return replies(l).size() >= 7; });
  EXPECT_EQ(close(*app, window), 0) << "exit code after WM_CLOSE";
  lines = log();

  // The first address, then the one that asks the page whether it may be left when closing.
  EXPECT_EQ(texts_of(lines, "Navigate"), (std::vector<std::string>{start_url, "about:blank"}));

  // The user data folder: the roaming application data folder joined with the program's name.
  wchar_t app_data[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, app_data)));
  const auto creation = calls_named(lines, "CreateCoreWebView2EnvironmentWithOptions");
  ASSERT_EQ(creation.size(), 1u);
  EXPECT_EQ(creation[0].fields(3)[1], to_utf8(app_data) + "\\ZorvelOffice.exe");

  // Scripts for every document: the bridge, the bind script, then the shell's own script.
  const auto scripts = installed_scripts(lines);
  ASSERT_EQ(scripts.size(), 3u) << "bridge, bind and shell scripts";
  EXPECT_NE(scripts[0].find("window.__webview__ = new Webview()"), std::string::npos) << scripts[0];
  EXPECT_NE(scripts[0].find("return (" + post_function + ")(message);"), std::string::npos)
      << scripts[0];
  EXPECT_EQ(scripts[1], bind_script);
  const std::string shell_script = filled_asset("native_bootstrap.js") +
                                   filled_asset("native_helper.js") + "\n" +
                                   filled_asset("dock.js");
  EXPECT_TRUE(scripts[2] == shell_script) << "the shell's script differs from the embedded assets: "
                                          << first_difference(scripts[2], shell_script);

  // Settings: the engine's three (the page's dialogs come to the program from the first page
  // on), then the shell's three.
  std::vector<std::string> settings;
  for (const auto &l : lines) {
    if (!l.callback && l.name.rfind("put_", 0) == 0 &&
        l.name.find("Enabled") != std::string::npos) {
      settings.push_back(l.name + " " + l.rest);
    }
  }
  EXPECT_EQ(settings, (std::vector<std::string>{
                          "put_AreDevToolsEnabled 0", "put_IsStatusBarEnabled 0",
                          "put_AreDefaultScriptDialogsEnabled 0", "put_AreDevToolsEnabled 0",
                          "put_IsStatusBarEnabled 0", "put_IsZoomControlEnabled 1"}));

  // Hooks: the engine's, and the shell's two before the first navigation, after its script.
  for (const char *hook :
       {"add_WebMessageReceived", "add_PermissionRequested", "add_DocumentTitleChanged"}) {
    EXPECT_EQ(calls_named(lines, hook).size(), 1u) << hook;
  }
  EXPECT_EQ(calls_named(lines, "add_NavigationCompleted").size(), 2u)
      << "the engine's, the shell's";
  const long navigate = index_of(lines, "Navigate");
  const long zoom = index_of(lines, "put_IsZoomControlEnabled");
  const long title_hook = index_of(lines, "add_DocumentTitleChanged");
  long navigation_hook = -1; // the shell's, the last one
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].callback && lines[i].name == "add_NavigationCompleted") {
      navigation_hook = static_cast<long>(i);
    }
  }
  long last_script = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].callback && lines[i].name == "AddScriptToExecuteOnDocumentCreated") {
      last_script = static_cast<long>(i);
    }
  }
  EXPECT_LT(last_script, zoom) << "settings and hooks come after the shell's script";
  EXPECT_LT(zoom, title_hook);
  EXPECT_LT(title_hook, navigation_hook);
  EXPECT_LT(navigation_hook, navigate) << "the first navigation is covered by the hooks";

  // The bindings' answers.
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("u1"), 0u) << "a call of an unbound name is not answered";
  using replies_t = std::vector<std::string>;
  for (const char *id : {"n1", "n2"}) {
    EXPECT_EQ(answered.count(id) ? answered.at(id) : replies_t{}, replies_t{reply(id, "\"true\"")})
        << "a notification always answers true: " << id;
  }
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : replies_t{},
            replies_t{reply("a1", "\"null\"")})
      << "no launch file";
  for (const char *id : {"x1", "x2", "x3", "x4"}) {
    EXPECT_EQ(answered.count(id) ? answered.at(id) : replies_t{}, replies_t{reply(id, "\"true\"")})
        << id;
  }
  // Only the https address reaches the default browser (http, an upper-case scheme and no
  // address at all do not).
  EXPECT_EQ(opened_addresses(2, 1500),
            (std::vector<std::string>{"https://zo-office.zorvel.net/download/"}));

  // Failed loads: the offline page for the six statuses, retrying the https source or the start
  // address; nothing for other statuses or successful loads.
  std::vector<std::string> expected_pages = {offline_page_for(start_url)}; // null source
  for (int status : {6, 7, 10, 11, 12, 13}) {
    expected_pages.push_back(offline_page_for("https://zo-office.zorvel.net/suite/s" +
                                              std::to_string(status) + "?a=1&b=2"));
  }
  expected_pages.push_back(offline_page_for(start_url)); // http source
  expected_pages.push_back(offline_page_for(start_url)); // upper-case scheme
  const auto pages = texts_of(lines, "NavigateToString");
  EXPECT_EQ(pages.size(), expected_pages.size());
  for (std::size_t i = 0; i < std::min(pages.size(), expected_pages.size()); ++i) {
    EXPECT_TRUE(pages[i] == expected_pages[i])
        << "offline page " << i << ": " << first_difference(pages[i], expected_pages[i]);
  }
  std::size_t offline_events = 0;
  for (const auto &l : lines) {
    if (l.callback && l.name == "NavigationCompleted") {
      ++offline_events;
    }
  }
  EXPECT_EQ(offline_events, 2u + 6u + 2u + 13u + 2u + 1u)
      << "every scripted load was reported, and the closing navigation";
}

// ---------------------------------------------------------------------------------------------
// Arguments: only the first counts.

TEST_F(App, LinkArgumentInAnyCaseGoesIntoTheFirstAddress) {
  // A readable file as the second argument is never looked at.
  ASSERT_TRUE(write_file(in_folder(L"launch.bin"), launch_bytes));
  const std::string config =
      call_rule(100, "a1", "__zoArgFile", "[]") +
      // The failed first load retries the address the control reports: the link included.
      "on=Navigate#1 +150 navigation_completed 0 7\n"
      "on=Navigate#1 +400 close\n";
  auto app = start(config, L"ZORVELOFFICE:x/y?a=1&b=ع " + quoted(in_folder(L"launch.bin")));
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  const std::string first = start_url + "&w=ZORVELOFFICE%3Ax%2Fy%3Fa%3D1%26b%3D%D8%B9";
  EXPECT_EQ(texts_of(lines, "Navigate"), (std::vector<std::string>{first, "about:blank"}));
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : std::vector<std::string>{},
            std::vector<std::string>{reply("a1", "\"null\"")});
  const auto pages = texts_of(lines, "NavigateToString");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(pages[0] == offline_page_for(first))
      << "the offline page does not retry " << first << ": "
      << first_difference(pages[0], offline_page_for(first));
}

TEST_F(App, OptionArgumentIsIgnoredAndTheSecondArgumentNeverRead) {
  ASSERT_TRUE(write_file(in_folder(L"launch.bin"), launch_bytes));
  const std::string config =
      call_rule(100, "a1", "__zoArgFile", "[]") + "on=Navigate#1 +300 close\n";
  auto app = start(config, L"--flag " + quoted(in_folder(L"launch.bin")));
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  EXPECT_EQ(texts_of(lines, "Navigate"), (std::vector<std::string>{start_url, "about:blank"}));
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : std::vector<std::string>{},
            std::vector<std::string>{reply("a1", "\"null\"")});
}

TEST_F(App, LaunchFileWithArabicNameIsHandedOverOnce) {
  const std::wstring name = L"تقرير.docx";
  ASSERT_TRUE(write_file(in_folder(name), launch_bytes));
  // Only a suite editor page gets the file; the shell page, pages outside the suite and
  // look-alikes get null and leave it for the editor.
  const std::string config =
      call_rule(100, "a0", "__zoArgFile", "[]") +
      call_rule_from(110, "https://attacker.test/suite/", "f1", "__zoArgFile", "[]") +
      call_rule_from(120, "https://zo-office.zorvel.net.attacker.test/en/suite/", "f2",
                     "__zoArgFile", "[]") +
      call_rule_from(130, "https://zo-office.zorvel.net:8443/en/suite/", "f3", "__zoArgFile",
                     "[]") +
      call_rule_from(140, "http://zo-office.zorvel.net/en/suite/", "f4", "__zoArgFile", "[]") +
      call_rule_from(145, "https://zo-office.zorvel.net/home", "f5", "__zoArgFile", "[]") +
      call_rule_from(150, editor_page, "a1", "__zoArgFile", "[]") +
      call_rule_from(160, "https://zo-office.zorvel.net/suite/x", "a2", "__zoArgFile", "[]") +
      "on=Navigate#1 +400 close\n";
  // A link as the second argument changes nothing.
  auto app = start(config, quoted(in_folder(name)) + L" ZORVELOFFICE:y");
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  EXPECT_EQ(texts_of(lines, "Navigate"), (std::vector<std::string>{start_url, "about:blank"}));
  const auto answered = replies(lines);
  const std::string object =
      "\"{\\\"name\\\":\\\"" + to_utf8(name) + "\\\",\\\"b64\\\":\\\"" + launch_b64 + "\\\"}\"";
  for (const char *id : {"a0", "f1", "f2", "f3", "f4", "f5"}) {
    EXPECT_EQ(answered.count(id) ? answered.at(id) : std::vector<std::string>{},
              std::vector<std::string>{reply(id, "\"null\"")})
        << id;
  }
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : std::vector<std::string>{},
            std::vector<std::string>{reply("a1", object)});
  EXPECT_EQ(answered.count("a2") ? answered.at("a2") : std::vector<std::string>{},
            std::vector<std::string>{reply("a2", "\"null\"")})
      << "the file is handed over once";
}

TEST_F(App, LaunchFileNameIsTheWholeArgumentWithoutBackslash) {
  CreateDirectoryW(in_folder(L"docs").c_str(), nullptr);
  ASSERT_TRUE(write_file(in_folder(L"docs\\report.txt"), launch_bytes));
  const std::string config =
      call_rule_from(100, editor_page, "a1", "__zoArgFile", "[]") + "on=Navigate#1 +300 close\n";
  // Relative to the working directory, the application's folder; "/" is no separator.
  auto app = start(config, L"docs/report.txt");
  EXPECT_EQ(wait_closed(*app), 0);
  const auto answered = replies(log());
  const std::string object =
      "\"{\\\"name\\\":\\\"docs/report.txt\\\",\\\"b64\\\":\\\"" + launch_b64 + "\\\"}\"";
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : std::vector<std::string>{},
            std::vector<std::string>{reply("a1", object)});
}

TEST_F(App, EmptyLaunchFileIsNoLaunchFile) {
  ASSERT_TRUE(write_file(in_folder(L"empty.txt"), ""));
  const std::string config =
      call_rule_from(100, editor_page, "a1", "__zoArgFile", "[]") + "on=Navigate#1 +300 close\n";
  auto app = start(config, quoted(in_folder(L"empty.txt")));
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  EXPECT_EQ(texts_of(lines, "Navigate"), (std::vector<std::string>{start_url, "about:blank"}));
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("a1") ? answered.at("a1") : std::vector<std::string>{},
            std::vector<std::string>{reply("a1", "\"null\"")});
}

// ---------------------------------------------------------------------------------------------
// The services answer the suite's documents only, in small bursts, and only the asking document.

TEST_F(App, ServicesAnswerOnlyTheSuiteAndOnlyTheAskingDocument) {
  const std::string suite_page = "https://zo-sheets.zorvel.net/suite/a";
  std::string config;
  // A call answered after its document was replaced is dropped; the next document is answered.
  config += call_rule_from(50, suite_page, "gone", "__zoNotify", "[\"t\",\"b\"]") +
            "on=WebMessageReceived#1 content_loading\n" +
            call_rule_from(60, suite_page, "after", "__zoNotify", "[\"t\",\"b\"]");
  const std::vector<std::string> foreign = {
      "https://attacker.test/", "https://zo-office.zorvel.net.attacker.test/",
      "https://zo-office.zorvel.net@attacker.test/", "https://zo-office.zorvel.net:8443/",
      "http://zo-office.zorvel.net/"};
  for (std::size_t i = 0; i < foreign.size(); ++i) {
    const std::string n = std::to_string(i);
    config += call_rule_from(100, foreign[i], "fn" + n, "__zoNotify", "[\"t\",\"b\"]") +
              call_rule_from(100, foreign[i], "fx" + n, "__zoExternal",
                             "[\"https://attacker.test/x" + n + "\"]");
  }
  // A burst of six addresses from a suite page opens the first three.
  for (int i = 1; i <= 6; ++i) {
    config += call_rule_from(150, suite_page, "x" + std::to_string(i), "__zoExternal",
                             "[\"https://zo-office.zorvel.net/p" + std::to_string(i) + "?q=a b\"]");
  }
  // Messages over 1 MiB of UTF-8 are dropped; one of exactly 1 MiB is served. Written with a
  // two-byte character, they are far under the limit in UTF-16 units.
  auto message_of_bytes = [](const std::string &id, std::size_t bytes) {
    const std::string head = "{\"id\":\"" + id + "\",\"method\":\"__zoNotify\",\"params\":[\"";
    const std::string tail = "\"]}";
    const std::size_t body = bytes - head.size() - tail.size();
    std::string text = head;
    for (std::size_t i = 0; i < body / 2; ++i) {
      text += "\xC3\xA9"; // U+00E9
    }
    return text + std::string(body % 2, 'a') + tail;
  };
  config += "on=Navigate#1 +200 web_message_from " + suite_page + " " +
            message_of_bytes("over", 1024 * 1024 + 1) + "\n" +
            "on=Navigate#1 +210 web_message_from " + suite_page + " " +
            message_of_bytes("edge", 1024 * 1024) + "\n" +
            call_rule_from(220, suite_page, "big", "__zoNotify",
                           "[\"" + std::string(2 * 1024 * 1024, 'a') + "\"]");
  // Clipboard reading for suite documents only; other kinds keep the browser's default.
  config += "on=Navigate#1 +300 permission 6 https://zo-office.zorvel.net/suite/c\n"
            "on=Navigate#1 +301 permission 6 https://attacker.test/\n"
            "on=Navigate#1 +302 permission 6 https://zo-office.zorvel.net:8443/\n"
            "on=Navigate#1 +303 permission 2 https://zo-office.zorvel.net/suite/c\n"
            "on=Navigate#1 +900 close\n";

  auto app = start(config);
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  const auto answered = replies(lines);
  using replies_t = std::vector<std::string>;
  auto answers = [&](const std::string &id) {
    return answered.count(id) ? answered.at(id) : replies_t{};
  };
  EXPECT_EQ(answers("gone"), replies_t{}) << "the reply belonged to the replaced document";
  EXPECT_EQ(answers("after"), replies_t{reply("after", "\"true\"")});
  for (std::size_t i = 0; i < foreign.size(); ++i) {
    for (const std::string &id : {"fn" + std::to_string(i), "fx" + std::to_string(i)}) {
      EXPECT_EQ(answers(id), replies_t{reply(id, "\"\\\"not allowed for this page\\\"\"", 1)})
          << id << " from " << foreign[i];
    }
  }
  for (int i = 1; i <= 6; ++i) {
    const std::string id = "x" + std::to_string(i);
    EXPECT_EQ(answers(id), replies_t{reply(id, "\"true\"")}) << id;
  }
  EXPECT_EQ(answers("big"), replies_t{});
  EXPECT_EQ(answers("over"), replies_t{}) << "one byte over 1 MiB once converted to UTF-8";
  EXPECT_EQ(answers("edge"), replies_t{reply("edge", "\"true\"")}) << "exactly 1 MiB";
  // Each address is recorded by a process of its own, so they may arrive in any order.
  auto opened = opened_addresses(4, 2000);
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{"https://zo-office.zorvel.net/p1?q=a%20b",
                                              "https://zo-office.zorvel.net/p2?q=a%20b",
                                              "https://zo-office.zorvel.net/p3?q=a%20b"}));

  // Each permission request and whether the application set a state for it.
  std::vector<std::string> permissions;
  for (const auto &l : lines) {
    if (l.callback && l.name == "PermissionRequested") {
      permissions.push_back(l.rest);
    } else if (!l.callback && l.name == "put_State" && !permissions.empty()) {
      permissions.back() += " -> " + l.rest;
    }
  }
  EXPECT_EQ(permissions, (std::vector<std::string>{
                             "6 https://zo-office.zorvel.net/suite/c -> 1",
                             "6 https://attacker.test/",
                             "6 https://zo-office.zorvel.net:8443/",
                             "2 https://zo-office.zorvel.net/suite/c",
                         }));
}

// ---------------------------------------------------------------------------------------------
// The browser control cannot be embedded: the fallback prompt, the suite in the browser.

// ---------------------------------------------------------------------------------------------
// Start-up: the window at once, and browser data that cannot be opened.

// The colour of the screen at a point of the window's client area.
COLORREF colour_at(HWND window, POINT point) {
  ClientToScreen(window, &point);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(App, TheWindowIsThereBeforeTheBrowser) {
  // The browser control takes seconds to come.
  auto app = start("delay=ControllerCompleted 4000\n");
  HWND window = app->find_window(L"webview", 3000);
  ASSERT_NE(window, nullptr) << "no window while the browser starts";
  EXPECT_EQ(window_text(window), expected::app_title);
  const auto early = wait_for_log([](const std::vector<log_line> &l) {
    return !calls_named(l, "CreateCoreWebView2Controller").empty();
  });
  EXPECT_EQ(calls_named(early, "CreateCoreWebView2Controller").size(), 1u);
  EXPECT_EQ(std::count_if(
                early.begin(), early.end(),
                [](const log_line &l) { return l.callback && l.name == "ControllerCompleted"; }),
            0)
      << "the window came first";
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 1280);
  EXPECT_EQ(client.bottom - client.top, 840);
  // Painted in the program's colour (not black), with a line saying it is starting.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Sleep(200);
  EXPECT_EQ(colour_at(window, {20, 20}), RGB(0xF4, 0xF6, 0xFA));
  bool text_drawn = false;
  for (int x = 400; x < 880 && !text_drawn; x += 2) {
    const COLORREF c = colour_at(window, {x, 420});
    text_drawn = c != RGB(0xF4, 0xF6, 0xFA) && c != CLR_INVALID;
  }
  EXPECT_TRUE(text_drawn) << "the starting line";
  wait_for_log([](const std::vector<log_line> &l) { return !calls_named(l, "Navigate").empty(); });
  EXPECT_EQ(close(*app, window), 0);
}

TEST_F(App, BrowserDataInUseIsSaidAndTryingAgainWorks) {
  auto app = start("fault=CreateCoreWebView2EnvironmentWithOptions 0x8007139F 1\n");
  const auto started = std::chrono::steady_clock::now();
  const message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr) << "no question about the browser data";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15))
      << "not waited on to the deadline";
  EXPECT_EQ(question.caption, expected::app_title);
  EXPECT_EQ(question.text, expected::browser_data_in_use_prompt);
  HWND window = app->find_window(L"webview", 1000);
  EXPECT_NE(window, nullptr);
  EXPECT_EQ(question.owner, window) << "asked in the window";
  EXPECT_EQ(window_text(GetDlgItem(question.handle, 10)), expected::try_again_button);
  EXPECT_EQ(window_text(GetDlgItem(question.handle, 11)), expected::fresh_data_button);
  EXPECT_EQ(window_text(GetDlgItem(question.handle, 12)), expected::open_in_browser_button);
  answer(*app, question, 10); // the other browser has exited meanwhile
  const auto lines = wait_for_log(
      [](const std::vector<log_line> &l) { return !calls_named(l, "Navigate").empty(); });
  EXPECT_EQ(calls_named(lines, "CreateCoreWebView2EnvironmentWithOptions").size(), 2u);
  EXPECT_EQ(texts_of(lines, "Navigate"), std::vector<std::string>{start_url});
  EXPECT_EQ(close(*app, window), 0);
}

TEST_F(App, BrowserDataThatCannotBeUsedIsSetAsideForFreshData) {
  const std::wstring folder = browser_data_folder();
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(write_file(folder + L"\\Local State", "kept"));
  auto app = start("fault=EnvironmentCompleted E_ACCESSDENIED 1\n");
  const message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr);
  EXPECT_EQ(question.text, expected::browser_data_unusable_prompt);
  answer(*app, question, 11);
  const message_box notice = wait_for_prompt(*app);
  ASSERT_NE(notice.handle, nullptr) << "the user is told where the old data went";
  const std::wstring said = notice.text;
  const std::wstring head = expected::browser_data_moved_notice;
  ASSERT_EQ(said.compare(0, head.size(), head), 0) << to_utf8(said);
  const std::wstring aside = said.substr(head.size());
  EXPECT_EQ(aside.compare(0, folder.size() + 2, folder + L" ("), 0) << to_utf8(aside);
  EXPECT_EQ(read_file(aside + L"\\Local State"), "kept") << "moved, not deleted";
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the next start is fresh";
  answer(*app, notice, IDOK);
  HWND window = window_when_started(*app);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(close(*app, window), 0);
  DeleteFileW((aside + L"\\Local State").c_str());
  DeleteFileW((aside + L"\\window.txt").c_str());
  RemoveDirectoryW(aside.c_str());
}

TEST_F(App, BrowserDataInUseCanSendTheUserToTheBrowser) {
  auto app = start("fault=CreateCoreWebView2EnvironmentWithOptions 0x8007139F *\n");
  const message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr);
  press(question.handle, 12);
  EXPECT_EQ(app->wait(20000), 1);
  EXPECT_EQ(opened_addresses(1), std::vector<std::string>{start_url});
  EXPECT_EQ(app->count_windows(L"#32770"), 0) << "no second prompt";
}

TEST_F(App, TheWindowComesBackWhereTheUserLeftIt) {
  auto start_window = [&](std::unique_ptr<running_program> &app) {
    app = start("");
    return window_when_started(*app);
  };
  std::unique_ptr<running_program> app;
  HWND window = start_window(app);
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, nullptr, 100, 80, 1000, 700, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(close(*app, window), 0);

  window = start_window(app);
  ASSERT_NE(window, nullptr);
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ((std::vector<long>{r.left, r.top, r.right, r.bottom}),
            (std::vector<long>{100, 80, 1100, 780}))
      << "size and place as left";
  ShowWindow(window, SW_MAXIMIZE);
  EXPECT_EQ(close(*app, window), 0);

  window = start_window(app);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsZoomed(window)) << "maximised as left";
  EXPECT_EQ(close(*app, window), 0);

  // Left on a second monitor that is gone now: centred on the primary one (here the whole
  // 1920x1080 screen), at the size it had.
  ASSERT_TRUE(write_file(placement_file(), "zorvel-window 1\nnormal 2100 200 3300 1000\n"
                                           "maximized 0\nmonitor 1920 0 4480 1440\n"));
  window = start_window(app);
  ASSERT_NE(window, nullptr);
  GetWindowRect(window, &r);
  EXPECT_EQ((std::vector<long>{r.left, r.top, r.right, r.bottom}),
            (std::vector<long>{360, 140, 1560, 940}));
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_EQ(close(*app, window), 0);
  DeleteFileW(placement_file().c_str());
}

TEST_F(App, EmbeddingFailureOffersTheBrowser) {
  // The engine accepts exactly S_OK from its settings calls.
  auto app = start("fault=put_AreDevToolsEnabled S_FALSE 1\n");
  const message_box prompt = wait_for_prompt(*app);
  ASSERT_NE(prompt.handle, nullptr) << "no fallback prompt";
  EXPECT_EQ(prompt.caption, expected::app_title);
  EXPECT_EQ(prompt.text, expected::fallback_prompt);
  EXPECT_EQ(prompt.owner, nullptr);
  EXPECT_TRUE(prompt.has_yes && prompt.has_no);
  press(prompt.handle, IDYES);
  EXPECT_EQ(app->wait(20000), 1);
  EXPECT_EQ(opened_addresses(1), std::vector<std::string>{start_url});
  const auto lines = log();
  EXPECT_EQ(calls_named(lines, "put_AreDevToolsEnabled").size(), 1u);
  EXPECT_TRUE(calls_named(lines, "Navigate").empty()) << "nothing is loaded";
}

// ---------------------------------------------------------------------------------------------
// Failures of the browser and the end of a session with unsaved work.

// The scripts added after the `n`-th creation of a controller, in order.
std::vector<std::string> scripts_of_controller(const std::vector<log_line> &lines, int n) {
  std::vector<std::string> scripts;
  int controllers = 0;
  for (const auto &l : lines) {
    if (!l.callback && l.name == "CreateCoreWebView2Controller") {
      ++controllers;
    } else if (controllers == n && !l.callback && l.name == "AddScriptToExecuteOnDocumentCreated") {
      scripts.push_back(l.fields(2)[1]);
    }
  }
  return scripts;
}

bool released_everything(const std::vector<log_line> &lines) {
  return !lines.empty() && lines.back().name == "#" &&
         lines.back().rest == "exit with 0 live objects";
}

TEST_F(App, ABrowserThatExitsIsReplacedWithEverythingInPlace) {
  const std::string config =
      "on=Navigate#1 +100 process_failed 0\n"
      // After the replacement: the shell's title hook and the bindings work on the new browser.
      "on=Navigate#2 +100 title After\n"
      "on=Navigate#2 +100 web_message_from " +
      editor_page +
      " {\"id\":\"r1\",\"method\":\"__zoArgFile\",\"params\":[]}\n"
      "on=Navigate#2 +400 close\n";
  auto app = start(config);
  HWND window = app->find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr);
  std::wstring title;
  for (int i = 0; i < 200 && (title = window_text(window)) != L"After"; ++i) {
    Sleep(25);
  }
  EXPECT_EQ(title, L"After") << "the shell's title hook is on the new browser";
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  EXPECT_EQ(calls_named(lines, "CreateCoreWebView2EnvironmentWithOptions").size(), 2u)
      << "a new environment";
  EXPECT_EQ(callbacks_named(lines, "EnvironmentOptions"),
            std::vector<std::string>(2, "(null) (null) 99.0.1150.38 1"))
      << "single sign-on with the Windows account, the same options for every browser";
  const auto controllers = calls_named(lines, "CreateCoreWebView2Controller");
  ASSERT_EQ(controllers.size(), 2u);
  EXPECT_EQ(controllers[1].rest, controllers[0].rest) << "in the same window";
  for (const char *hook : {"add_WebMessageReceived", "add_PermissionRequested",
                           "add_ContentLoading", "add_ProcessFailed", "add_DocumentTitleChanged"}) {
    EXPECT_EQ(calls_named(lines, hook).size(), 2u) << hook;
  }
  EXPECT_EQ(calls_named(lines, "put_IsZoomControlEnabled").size(), 2u) << "the shell's settings";
  EXPECT_EQ(calls_named(lines, "put_IsStatusBarEnabled").size(), 4u)
      << "the engine's and the shell's";
  const auto again = scripts_of_controller(lines, 2);
  ASSERT_EQ(again.size(), 3u) << "the bridge, the bind script and the shell's script, once each";
  EXPECT_NE(again[0].find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_EQ(again[1], bind_script);
  EXPECT_EQ(again[2].rfind(filled_asset("native_bootstrap.js"), 0), 0u)
      << "the shell's script comes last";
  EXPECT_EQ(texts_of(lines, "Navigate"),
            (std::vector<std::string>{start_url, start_url, "about:blank"}))
      << "back on the last address";
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("r1") ? answered.at("r1") : std::vector<std::string>{},
            std::vector<std::string>{reply("r1", "\"null\"")});
  EXPECT_TRUE(released_everything(lines)) << lines.back().rest;
}

TEST_F(App, ARendererThatCrashesAfterEveryLoadEndsInAPrompt) {
  // Every load succeeds, and the renderer exits right after it: reloading never helps.
  auto app = start("on=Navigate#1 +50 navigation_completed 1 0\n"
                   "on=Navigate#1 +100 process_failed 1\n"
                   "on=Reload#* +50 navigation_completed 1 0\n"
                   "on=Reload#* +100 process_failed 1\n");
  const auto started = std::chrono::steady_clock::now();
  const message_box prompt = wait_for_prompt(*app);
  ASSERT_NE(prompt.handle, nullptr) << "no prompt after the renderer kept crashing";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_EQ(prompt.caption, expected::app_title);
  EXPECT_EQ(prompt.text, expected::browser_lost_prompt);
  EXPECT_EQ(prompt.owner, nullptr) << "the window is gone";
  press(prompt.handle, IDYES);
  EXPECT_EQ(app->wait(20000), 1);
  EXPECT_EQ(opened_addresses(1), std::vector<std::string>{start_url});
  EXPECT_EQ(calls_named(log(), "Reload").size(), 3u) << "three recoveries, then the prompt";
}

TEST_F(App, ABrowserThatKeepsExitingEndsInAPrompt) {
  // Every new browser fails again right after it navigates; nothing ever loads.
  auto app = start("on=Navigate#* +50 process_failed 0\n");
  const message_box prompt = wait_for_prompt(*app);
  ASSERT_NE(prompt.handle, nullptr) << "no prompt";
  EXPECT_EQ(prompt.text, expected::browser_lost_prompt);
  press(prompt.handle, IDNO);
  EXPECT_EQ(app->wait(20000), 1);
  EXPECT_TRUE(opened_addresses(0, 500).empty()) << "No opens nothing";
  EXPECT_EQ(calls_named(log(), "CreateCoreWebView2Controller").size(), 4u)
      << "the first browser and three replacements";
}

TEST_F(App, ABrowserThatExitsWhileTheBridgeIsAddedStillGetsIt) {
  // The browser exits while the engine waits for its first script registration; the next
  // browser must get every script, and the page's calls must be answered.
  const std::string config = "on=AddScriptToExecuteOnDocumentCreated#1 process_failed 0\n"
                             "on=Navigate#2 +100 web_message_from " +
                             editor_page +
                             " {\"id\":\"r1\",\"method\":\"__zoArgFile\",\"params\":[]}\n";
  auto app = start(config);
  HWND window = app->find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr) << "no window";
  const auto lines =
      wait_for_log([](const std::vector<log_line> &l) { return !replies(l).empty(); });
  ASSERT_EQ(calls_named(lines, "CreateCoreWebView2Controller").size(), 2u);
  const auto again = scripts_of_controller(lines, 2);
  ASSERT_EQ(again.size(), 3u) << "the bridge, the bind script and the shell's script";
  EXPECT_NE(again[0].find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_EQ(again[1], bind_script);
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("r1") ? answered.at("r1") : std::vector<std::string>{},
            std::vector<std::string>{reply("r1", "\"null\"")});
  EXPECT_EQ(close(*app, window), 0);
}

TEST_F(App, AHungPageIsTheUsersToWaitForOrReload) {
  // Three reports within a minute make a question; reports that come while it is up are the
  // same hang. Three more, seconds after the user chose to wait, ask again.
  std::string config = "on=Navigate#1 content_loading\n";
  for (int at : {100, 200, 300, 400, 500, 8000, 8100, 8200}) {
    config += "on=Navigate#1 +" + std::to_string(at) + " process_failed 2\n";
  }
  auto app = start(config);
  HWND window = window_when_started(*app);
  ASSERT_NE(window, nullptr);
  message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr) << "a hung page must be asked about";
  EXPECT_EQ(question.text, expected::page_unresponsive_prompt);
  EXPECT_EQ(question.caption, expected::app_title);
  EXPECT_EQ(question.owner, window);
  EXPECT_TRUE(question.has_yes && question.has_no);
  answer(*app, question, IDYES);
  Sleep(1000);
  EXPECT_EQ(app->count_windows(L"#32770"), 0) << "one hang, one question";
  EXPECT_TRUE(calls_named(log(), "Reload").empty()) << "waiting keeps the page";

  question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr) << "asked again when it hangs again";
  EXPECT_EQ(question.text, expected::page_unresponsive_prompt);
  answer(*app, question, IDNO);
  EXPECT_EQ(calls_named(wait_for_log([](const std::vector<log_line> &l) {
                          return !calls_named(l, "Reload").empty();
                        }),
                        "Reload")
                .size(),
            1u)
      << "No reloads the page";
  EXPECT_EQ(close(*app, window), 0);
}

TEST_F(App, ClosingAPageWithUnsavedWorkAsksFirst) {
  // The page was loaded after the program turned the browser's own dialogs off. Navigate#2 and
  // #3 are the two attempts to close.
  auto app = start("on=Navigate#1 content_loading\n"
                   "on=Navigate#2 script_dialog 3\non=Navigate#3 script_dialog 3\n",
                   L"", false);
  HWND window = window_when_started(*app);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr) << "the page's question was not asked";
  EXPECT_EQ(question.text, expected::leave_prompt);
  EXPECT_EQ(question.caption, expected::app_title);
  EXPECT_EQ(question.owner, window);
  EXPECT_TRUE(question.has_yes && question.has_no);
  EXPECT_EQ(question.default_button, IDNO) << "Enter must not discard the work";
  // Closing again while the question is up neither closes nor asks twice.
  PostMessageW(window, WM_CLOSE, 0, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
  Sleep(300);
  EXPECT_EQ(app->count_windows(L"#32770"), 1);
  answer(*app, question, IDNO);
  // Longer than the time a page gets to answer: staying keeps the window and its page.
  Sleep(3500);
  EXPECT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "staying keeps the window";
  EXPECT_EQ(app->count_windows(L"#32770"), 0) << "nothing more is asked";
  EXPECT_EQ(texts_of(log(), "Navigate"), (std::vector<std::string>{start_url, "about:blank"}));

  PostMessageW(window, WM_CLOSE, 0, 0);
  question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr);
  EXPECT_EQ(question.text, expected::leave_prompt);
  press(question.handle, IDYES);
  EXPECT_EQ(app->wait(20000), 0) << "leaving closes the window and ends normally";
  const auto lines = log();
  const auto answers = callbacks_named(lines, "ScriptDialogAnswered");
  EXPECT_EQ(answers, (std::vector<std::string>{"0", "1"})) << "stay, then leave";
  EXPECT_EQ(texts_of(lines, "put_AreDefaultScriptDialogsEnabled"), std::vector<std::string>{"0"});
  EXPECT_LT(index_of(lines, "put_AreDefaultScriptDialogsEnabled"), index_of(lines, "Navigate"))
      << "off before the first page loads";
}

TEST_F(App, APageThatDoesNotAnswerTheClosingIsAskedAbout) {
  // The page never answers the closing navigation: after the leave deadline the user decides.
  auto app = start("on=Navigate#1 content_loading\n", L"", false);
  HWND window = window_when_started(*app);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  message_box question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr) << "closed without asking";
  EXPECT_EQ(question.text, expected::close_unresponsive_prompt);
  EXPECT_EQ(question.owner, window);
  EXPECT_EQ(question.default_button, IDNO);
  answer(*app, question, IDNO);
  EXPECT_TRUE(IsWindow(window)) << "No keeps the window";
  EXPECT_EQ(calls_named(log(), "Stop").size(), 1u) << "the closing navigation is stopped";
  PostMessageW(window, WM_CLOSE, 0, 0);
  question = wait_for_prompt(*app);
  ASSERT_NE(question.handle, nullptr);
  press(question.handle, IDYES);
  EXPECT_EQ(app->wait(20000), 0);
}

TEST_F(App, PageDialogsAreAnsweredNatively) {
  // One after another, as a page's script goes on only once its dialog is answered.
  auto app = start("on=Navigate#1 content_loading\n"
                   "on=Navigate#1 +100 script_dialog 0 Saved\\x20to\\x20your\\x20drive.\n"
                   "on=ScriptDialogAnswered#1 +50 script_dialog 1 Delete\\x20this\\x20sheet?\n"
                   "on=ScriptDialogAnswered#2 +50 script_dialog 2 New\\x20name:\n");
  HWND window = window_when_started(*app);
  ASSERT_NE(window, nullptr);
  const std::wstring host = L"zo-desk-app.zorvel.net";

  message_box alert = wait_for_prompt(*app);
  ASSERT_NE(alert.handle, nullptr) << "the alert was not shown";
  EXPECT_EQ(alert.caption, host);
  EXPECT_EQ(alert.text, L"Saved to your drive.");
  EXPECT_EQ(alert.owner, window);
  EXPECT_TRUE(alert.has_ok && !alert.has_cancel);
  answer(*app, alert, IDOK);

  message_box confirm = wait_for_prompt(*app);
  ASSERT_NE(confirm.handle, nullptr) << "the confirm was not shown";
  EXPECT_EQ(confirm.caption, host);
  EXPECT_EQ(confirm.text, L"Delete this sheet?");
  EXPECT_TRUE(confirm.has_ok && confirm.has_cancel);
  answer(*app, confirm, IDCANCEL);

  message_box prompt = wait_for_prompt(*app);
  ASSERT_NE(prompt.handle, nullptr) << "the prompt was not shown";
  EXPECT_EQ(prompt.caption, host);
  EXPECT_EQ(prompt.text, L"New name:");
  EXPECT_EQ(prompt.owner, window);
  HWND field = FindWindowExW(prompt.handle, nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr) << "the prompt has a text field";
  SetWindowTextW(field, L"Q2 \u0645\u0628\u064A\u0639\u0627\u062A");
  answer(*app, prompt, IDOK);

  const auto lines = wait_for_log([](const std::vector<log_line> &l) {
    return std::count_if(l.begin(), l.end(), [](const log_line &x) {
             return x.callback && x.name == "ScriptDialogAnswered";
           }) == 3;
  });
  const auto answers = callbacks_named(lines, "ScriptDialogAnswered");
  EXPECT_EQ(answers, (std::vector<std::string>{"1", "0", "1"})) << "OK, Cancel, OK";
  EXPECT_EQ(texts_of(lines, "put_ResultText"),
            std::vector<std::string>{"Q2 \xD9\x85\xD8\xA8\xD9\x8A\xD8\xB9\xD8\xA7\xD8\xAA"});
  EXPECT_EQ(close(*app, window), 0);
}

TEST_F(App, RepliesReachOnlyTheDocumentThatAsked) {
  // r1: the editor page asks for the launch file, and a navigation starts before the reply; the
  // new document commits, so the reply runs nowhere and the file stays for the next editor page
  // (r2). r3: a navigation starts and is cancelled; the reply then reaches the page that asked.
  const std::string ask = " {\"id\":\"ID\",\"method\":\"__zoArgFile\",\"params\":[]}\n";
  auto call = [&](const std::string &id) {
    std::string text = ask;
    text.replace(text.find("ID"), 2, id);
    return "web_message_from " + editor_page + text;
  };
  const std::string config =
      "on=Navigate#1 +100 " + call("r1") +
      "on=WebMessageReceived#1 navigation_starting https://zo-office.zorvel.net/en/suite/next\n"
      "on=WebMessageReceived#1 +300 content_loading\n"
      "on=WebMessageReceived#1 +300 navigation_completed 1 0\n"
      "on=WebMessageReceived#1 +400 " +
      call("r2") + "on=WebMessageReceived#2 +100 " + call("r3") +
      "on=WebMessageReceived#3 navigation_starting https://zo-office.zorvel.net/en/suite/away\n"
      "on=WebMessageReceived#3 +300 navigation_completed 0 14\n";
  auto app = start(config, quoted(write_launch_file()));
  HWND window = app->find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr);
  const auto lines = wait_for_log(
      [](const std::vector<log_line> &l) { return replies(l).count("r3") > 0 || l.size() > 2000; });
  const auto answered = replies(lines);
  EXPECT_EQ(answered.count("r1"), 0u) << "the reply would have run in the next document";
  EXPECT_EQ(answered.count("r2") ? answered.at("r2") : std::vector<std::string>{},
            std::vector<std::string>{reply("r2", launch_json())})
      << "the file the dropped reply carried goes to the next editor page";
  EXPECT_EQ(answered.count("r3") ? answered.at("r3") : std::vector<std::string>{},
            std::vector<std::string>{reply("r3", "\"null\"")});
  long r3_reply = -1, cancelled = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].callback && lines[i].name == "NavigationCompleted" &&
        lines[i].rest.rfind("0 14", 0) == 0) {
      cancelled = static_cast<long>(i);
    }
    if (!lines[i].callback && lines[i].name == "ExecuteScript" &&
        lines[i].rest.find("onReply(\"r3\"") != std::string::npos) {
      r3_reply = static_cast<long>(i);
    }
  }
  EXPECT_GT(r3_reply, cancelled) << "held until the navigation ended without a new document";
  EXPECT_EQ(close(*app, window), 0);
}

// Not a speed test: it prints its figures. The page calls one service 100,000 times, each call as
// soon as the previous one was received; every call must be answered, and the application's
// memory must not grow with the number of calls.
TEST_F(App, HundredThousandPageCallsAreAllAnswered) {
  constexpr int calls = 100000;
  const std::string message = "web_message_from " + editor_page +
                              " {\"id\":\"s\",\"method\":\"__zoArgFile\",\"params\":[]}\n";
  const std::string config = "keep_log=0\non=Navigate#1 +100 " + message +
                             "on=TryGetWebMessageAsString#1-" + std::to_string(calls - 1) + " " +
                             message;
  auto app = start(config);
  HWND window = app->find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app->id());
  ASSERT_NE(process, nullptr);
  // Committed private memory (PagefileUsage: Wine leaves PrivateUsage at 0) and working set, MiB.
  auto memory = [process] {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return std::make_pair(static_cast<double>(counters.PagefileUsage) / (1024 * 1024),
                          static_cast<double>(counters.WorkingSetSize) / (1024 * 1024));
  };

  auto log_size = [this] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(log_path().c_str(), GetFileExInfoStandard, &data);
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  };
  // Samples until the log stops growing: (log size, memory).
  const auto start_time = std::chrono::steady_clock::now();
  std::vector<std::pair<unsigned long long, std::pair<double, double>>> samples;
  for (int still = 0;
       still < 4 && std::chrono::steady_clock::now() - start_time < std::chrono::seconds(150);) {
    Sleep(250);
    const auto size = log_size();
    still = !samples.empty() && samples.back().first == size ? still + 1 : 0;
    samples.emplace_back(size, memory());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_time).count() - 1.0;
  EXPECT_EQ(close(*app, window), 0);
  CloseHandle(process);

  const std::string content = read_file(log_path());
  auto count = [&content](const std::string &needle) {
    std::size_t n = 0;
    for (std::size_t at = content.find(needle); at != std::string::npos;
         at = content.find(needle, at + needle.size())) {
      ++n;
    }
    return n;
  };
  const std::size_t sent = count("\n-> WebMessageReceived text ");
  const std::size_t answered = count("\nExecuteScript window.__webview__.onReply(\"s\", 0, ");
  EXPECT_EQ(sent, static_cast<std::size_t>(calls));
  EXPECT_EQ(answered, static_cast<std::size_t>(calls)) << "a call was lost";
  // Memory after a tenth of the calls and at the end.
  ASSERT_FALSE(samples.empty());
  const unsigned long long final_size = samples.back().first;
  std::pair<double, double> early = samples.front().second;
  for (const auto &sample : samples) {
    if (sample.first >= final_size / 10) {
      early = sample.second;
      break;
    }
  }
  const std::pair<double, double> late = samples.back().second;
  std::printf("[ figures  ] %d page calls in %.1f s (%.0f calls/s); committed memory %.1f MiB "
              "after a tenth of them, %.1f MiB at the end; working set %.1f / %.1f MiB\n",
              calls, seconds, calls / seconds, early.first, late.first, early.second, late.second);
  EXPECT_GT(early.first, 0.0) << "the memory could not be read";
  EXPECT_LT(late.first - early.first, 4.0) << "memory grows with the number of calls";
  const auto lines = parse_log(content.substr(content.rfind("\n#", content.size() - 2) + 1));
  EXPECT_TRUE(released_everything(lines)) << "the application left objects of the browser alive";
}

// ---------------------------------------------------------------------------------------------
// Windows that pages open: suite documents in windows of the program, popups owned by their
// opener, other addresses in the default browser.

// Where the suite's page scripts were added to a web view, as indexes of log lines.
std::vector<long> page_script_lines(const std::vector<log_line> &lines) {
  const std::string page_script = filled_asset("native_bootstrap.js");
  std::vector<long> found;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].callback && lines[i].name == "AddScriptToExecuteOnDocumentCreated" &&
        lines[i].fields(2)[1].rfind(page_script, 0) == 0) {
      found.push_back(static_cast<long>(i));
    }
  }
  return found;
}

// The root window of the web view that a "-> NewWindowOpened HWND URI" line names.
HWND opened_window(const std::string &callback_rest) {
  const auto hwnd = static_cast<std::uintptr_t>(std::stoull(callback_rest, nullptr, 16));
  return GetAncestor(reinterpret_cast<HWND>(hwnd), GA_ROOT);
}

TEST_F(App, ASuiteDocumentOpensInAWindowOfTheProgramWithItsServices) {
  const std::string document = "https://zo-office.zorvel.net/suite/doc?id=9";
  const std::string config = "on=Navigate#1 +300 new_window " + document + "\n" +
                             "on=NewWindowOpened#1 +400 web_message_from " + document +
                             " {\"id\":\"n1\",\"method\":\"__zoNotify\",\"params\":[\"t\",\"b\"]}\n"
                             "on=NewWindowOpened#1 +600 window_close_requested\n";
  auto app = start(config);
  HWND first = window_when_started(*app);
  ASSERT_NE(first, nullptr);
  auto lines = wait_for_log([](const std::vector<log_line> &l) {
    return !callbacks_named(l, "NewWindowOpened").empty();
  });
  const auto opened = callbacks_named(lines, "NewWindowOpened");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].substr(opened[0].find(' ') + 1), document);
  HWND second = opened_window(opened[0]);
  ASSERT_NE(second, first);
  EXPECT_EQ(app->count_windows(L"webview"), 2);
  EXPECT_EQ(GetWindow(second, GW_OWNER), nullptr) << "a window of its own, not a popup";
  RECT a{}, b{};
  GetWindowRect(first, &a);
  GetWindowRect(second, &b);
  EXPECT_GT(b.left, a.left) << "cascaded from the opener";
  EXPECT_GT(b.top, a.top);
  EXPECT_EQ(b.right - b.left, a.right - a.left);

  // The page's window.close() closes the window a page opened; the call before was answered.
  EXPECT_TRUE(eventually([&] { return !IsWindow(second); }, 10000));
  lines = log();
  // The new window's page scripts were in place before its web view was handed to the page.
  const std::vector<long> script_lines = page_script_lines(lines);
  // One browser environment for both windows: the second asked the first's for its controller.
  EXPECT_EQ(calls_named(lines, "CreateCoreWebView2EnvironmentWithOptions").size(), 1u);
  EXPECT_EQ(calls_named(lines, "CreateCoreWebView2Controller").size(), 2u);
  ASSERT_EQ(script_lines.size(), 2u) << "the page scripts in each window";
  EXPECT_LT(script_lines[1], index_of(lines, "put_NewWindow", "set"));
  EXPECT_GE(index_of(lines, "put_Handled", "1"), 0);
  EXPECT_EQ(replies(lines)["n1"], std::vector<std::string>{reply("n1", "\"true\"")});
  EXPECT_EQ(close(*app, first), 0);
}

TEST_F(App, APopupIsOwnedByItsOpenerWithoutServicesAndClosesWithIt) {
  const std::string signin = "https://login.example.test/authorize?c=1";
  const std::string config =
      // The first window is not a page's: its window.close() is ignored.
      "on=Navigate#1 +300 window_close_requested\n"
      "on=Navigate#1 +400 new_window " +
      signin + " width=420,height=360\n" + "on=NewWindowOpened#1 +300 web_message_from " + signin +
      " {\"id\":\"p1\",\"method\":\"__zoNotify\",\"params\":[\"t\",\"b\"]}\n"
      "on=NewWindowOpened#1 +500 window_close_requested\n"
      "on=NewWindowOpened#1 +900 new_window https://share.example.test/s "
      "left=50,top=60,width=300,height=200\n"
      "on=NewWindowOpened#2 +300 title Share this\n";
  auto app = start(config);
  HWND first = window_when_started(*app);
  ASSERT_NE(first, nullptr);
  const auto lines = wait_for_log([](const std::vector<log_line> &l) {
    return callbacks_named(l, "NewWindowOpened").size() == 2 &&
           !callbacks_named(l, "DocumentTitleChanged").empty();
  });
  const auto opened = callbacks_named(lines, "NewWindowOpened");
  ASSERT_EQ(opened.size(), 2u);
  HWND signin_window = opened_window(opened[0]);
  HWND share = opened_window(opened[1]);
  EXPECT_FALSE(IsWindow(signin_window)) << "closed by its page";
  ASSERT_TRUE(IsWindow(first)) << "the first window stays when its page asks to close it";
  ASSERT_TRUE(IsWindow(share));
  EXPECT_EQ(GetWindow(share, GW_OWNER), first);
  RECT client{}, frame{};
  GetClientRect(share, &client);
  GetWindowRect(share, &frame);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(frame.left, 50);
  EXPECT_EQ(frame.top, 60);
  EXPECT_TRUE(eventually([&] { return window_text(share) == L"Share this"; }, 5000))
      << "the popup's title follows its page";
  EXPECT_EQ(replies(lines).count("p1"), 0u) << "a popup has no services";
  // The popups have none of the suite's page scripts either.
  EXPECT_EQ(page_script_lines(lines).size(), 1u);
  // Closing the opener closes its popup, and the program ends.
  EXPECT_EQ(close(*app, first), 0);
  EXPECT_FALSE(IsWindow(share));
}

TEST_F(App, AnOutsideLinkFromAPageGoesToTheDefaultBrowser) {
  const std::string config = "on=Navigate#1 +300 new_window https://example.test/article?a=1\n"
                             "on=Navigate#1 +400 new_window http://example.test/plain\n"
                             "on=Navigate#1 +500 new_window file:///C:/windows/win.ini\n"
                             "on=Navigate#1 +1200 close\n";
  auto app = start(config);
  EXPECT_EQ(wait_closed(*app), 0);
  const auto lines = log();
  EXPECT_EQ(callbacks_named(lines, "NewWindowHandled").size(), 3u);
  EXPECT_TRUE(callbacks_named(lines, "DefaultPopup").empty());
  EXPECT_TRUE(callbacks_named(lines, "NewWindowOpened").empty());
  EXPECT_EQ(opened_addresses(1), std::vector<std::string>{"https://example.test/article?a=1"});
}

TEST_F(App, AWindowWhoseBrowserKeepsFailingIsExplainedWhileTheOthersStay) {
  // The suite window a page opened fails, and so does each of its three replacements.
  auto app = start("on=Navigate#1 +300 new_window https://zo-office.zorvel.net/suite/doc?id=3\n"
                   "on=NewWindowOpened#1 +300 process_failed 0\n"
                   "on=Navigate#2-4 +50 process_failed 0\n");
  HWND first = window_when_started(*app);
  ASSERT_NE(first, nullptr);
  const message_box prompt = wait_for_prompt(*app);
  ASSERT_NE(prompt.handle, nullptr) << "no prompt";
  EXPECT_EQ(prompt.text, expected::browser_lost_prompt);
  EXPECT_EQ(GetWindow(prompt.handle, GW_OWNER), first) << "over the window that stays";
  answer(*app, prompt, IDYES);
  EXPECT_EQ(opened_addresses(1), std::vector<std::string>{start_url});
  EXPECT_EQ(app->windows(L"webview"), std::vector<HWND>{first});
  EXPECT_EQ(close(*app, first), 0) << "the program went on normally";
}

} // namespace
