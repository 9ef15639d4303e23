#include "browser_process.hh"

#include "src/environment_variable.hh"
#include "src/log.hh"

#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zbr {
namespace {

BrowserProcess *instance = nullptr;

std::string narrow(const std::wstring &w) {
  std::string s;
  for (wchar_t c : w) {
    s += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return s;
}

// The Unix path of a Windows path (Wine's own conversion; Z: is the Unix root otherwise).
std::wstring unix_path(const std::wstring &windows) {
  using Convert = char *(CDECL *)(LPCWSTR);
  const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void *>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert) {
    if (char *path = convert(windows.c_str())) {
      std::wstring out;
      for (const char *p = path; *p; ++p) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
      }
      HeapFree(GetProcessHeap(), 0, path);
      return out;
    }
  }
  std::wstring out = windows.size() > 2 && windows[1] == L':' ? windows.substr(2) : windows;
  for (wchar_t &c : out) {
    if (c == L'\\') {
      c = L'/';
    }
  }
  return out;
}

void remove_folder(const std::wstring &folder) {
  std::wstring from = folder + L'\0' + L'\0';
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

} // namespace

BrowserProcess *BrowserProcess::get() {
  if (instance) {
    return instance->closed_ ? nullptr : instance;
  }
  auto *browser = new BrowserProcess; // lives until the process ends
  if (!browser->start()) {
    delete browser;
    return nullptr;
  }
  instance = browser;
  return instance;
}

bool BrowserProcess::start() {
  using wv2d::environment_variable;
  std::wstring chromium = environment_variable(L"ZO_BROWSER_RUNTIME_CHROMIUM").value_or(L"");
  if (chromium.empty()) {
    chromium = L"Z:\\usr\\lib\\chromium\\chromium";
  }
  profile_ = environment_variable(L"ZO_BROWSER_RUNTIME_PROFILE").value_or(L"");
  if (profile_.empty()) {
    wchar_t name[96];
    std::swprintf(name, 96, L"Z:\\tmp\\zo-browser-runtime-%lu-%llu", GetCurrentProcessId(),
                  GetTickCount64());
    profile_ = name;
    remove_profile_ = true;
  }
  CreateDirectoryW(profile_.c_str(), nullptr);
  const std::wstring port_file = profile_ + L"\\DevToolsActivePort";
  DeleteFileW(port_file.c_str()); // the browser leaves it behind when it exits

  // The suite's host names map to loopback here: the local-network checks would refuse requests
  // from documents that are not secure contexts, such as the offline page's probe. WebView2 has no
  // popup blocker: a page's window.open always asks for a window.
  std::wstring command = L"\"" + chromium + L"\"";
  command += L" --headless=new --remote-debugging-port=0 --remote-debugging-address=127.0.0.1"
             L" --no-first-run --no-default-browser-check --disable-background-networking"
             L" --disable-component-update --no-sandbox --disable-gpu --ignore-certificate-errors"
             L" --disable-popup-blocking"
             L" --disable-features=Translate,MediaRouter,"
             L"BlockInsecurePrivateNetworkRequests,PrivateNetworkAccessSendPreflights,"
             L"LocalNetworkAccessChecks --log-level=3"
             L" --user-data-dir=\"" +
             unix_path(profile_) + L"\"";
  const std::wstring rules = environment_variable(L"ZO_BROWSER_RUNTIME_HOST_RULES").value_or(L"");
  if (!rules.empty()) {
    command += L" \"--host-resolver-rules=" + rules + L"\"";
  }
  const std::wstring extra = environment_variable(L"ZO_BROWSER_RUNTIME_ARGS").value_or(L"");
  if (!extra.empty()) {
    command += L" " + extra;
  }
  command += L" about:blank";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    wv2d::log_note("browser: cannot start " + narrow(chromium));
    return false;
  }
  // Under Wine the handles of a Unix process are of no use (no wait, no termination).
  if (pi.hThread) {
    CloseHandle(pi.hThread);
  }
  if (pi.hProcess) {
    CloseHandle(pi.hProcess);
  }
  // The browser writes its port and endpoint path once it listens.
  int port = 0;
  std::string path;
  for (int waited = 0; waited < 20000 && port == 0; waited += 50) {
    Sleep(50);
    std::ifstream in(port_file.c_str());
    std::string port_line;
    if (std::getline(in, port_line) && std::getline(in, path) && !path.empty()) {
      port = std::atoi(port_line.c_str());
    }
  }
  if (port == 0 || !connection_.connect(port, path)) {
    wv2d::log_note("browser: no DevTools endpoint in " + narrow(profile_));
    return false;
  }
  wv2d::log_note("browser: DevTools on 127.0.0.1:" + std::to_string(port));
  connection_.on_event(
      [this](const std::string &session, const std::string &method, const Json &params) {
        if (session.empty()) {
          if (browser_events_) {
            const SessionHandler handler = browser_events_;
            handler(method, params);
          }
          return;
        }
        const auto found = sessions_.find(session);
        if (found != sessions_.end()) {
          const SessionHandler handler = found->second; // may remove itself
          handler(method, params);
        }
      });
  connection_.on_lost([this] {
    closed_ = true;
    wv2d::log_note("browser: connection lost");
    const auto handlers = lost_handlers_;
    for (const auto &handler : handlers) {
      handler();
    }
  });
  return true;
}

void BrowserProcess::add_session(const std::string &session, SessionHandler handler) {
  sessions_[session] = std::move(handler);
}

void BrowserProcess::remove_session(const std::string &session) {
  sessions_.erase(session);
}

void BrowserProcess::watch_new_targets() {
  if (watching_) {
    return;
  }
  watching_ = true;
  connection_.send("Target.setDiscoverTargets", "{\"discover\":true}");
  connection_.send("Target.setAutoAttach",
                   "{\"autoAttach\":true,\"waitForDebuggerOnStart\":true,\"flatten\":true}");
}

void BrowserProcess::close() {
  if (closed_) {
    return;
  }
  closed_ = true;
  lost_handlers_.clear();
  sessions_.clear();
  if (connection_.connected()) {
    connection_.call("Browser.close", "{}", {}, 3000);
  }
  wv2d::log_note("browser: closed");
  if (remove_profile_) {
    Sleep(300); // the browser writes its last files as it goes
    remove_folder(profile_);
  }
}

void BrowserProcess::close_at_exit() {
  if (instance && !instance->closed_) {
    // Other threads are gone and no messages run: send the command and go.
    instance->closed_ = true;
    instance->connection().send_raw(
        "{\"id\":999999999,\"method\":\"Browser.close\",\"params\":{}}");
  }
}

} // namespace zbr
