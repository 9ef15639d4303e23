// Set-up shared by the tests that run under Wine: where the programs are, files, waiting for a
// condition, the https handler that records what the application opens, and the runtime's
// registration in the test prefix.
#ifndef TESTS_E2E_E2E_SUPPORT_HH
#define TESTS_E2E_E2E_SUPPORT_HH

#include <windows.h>

#include <tlhelp32.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

inline std::wstring own_directory() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

inline std::wstring build_directory() {
  return own_directory() + L"\\..";
}
inline std::wstring app_path() {
  return build_directory() + L"\\app\\ZorvelOffice.exe";
}
inline std::wstring recorder_path() {
  return own_directory() + L"\\url_recorder.exe";
}
inline std::wstring opened_log_path() {
  return own_directory() + L"\\opened.txt";
}

inline std::wstring quoted(const std::wstring &s) {
  return L"\"" + s + L"\"";
}

// The whole file, or an empty text when it cannot be opened; readable while another process
// still writes it (the double's log).
inline std::string read_file(const std::wstring &path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  CloseHandle(file);
  return content;
}

// Replaces the file's content; false when it cannot be written whole.
inline bool write_file(const std::wstring &path, const std::string &bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                             &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// Runs the thread's messages (replies that arrive as window messages) for `ms` milliseconds.
inline void pump_messages(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) {
      return;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

// Checks `condition` every `interval_ms` until it holds (true) or `timeout_ms` have passed
// (false), running the thread's messages in between.
inline bool eventually(const std::function<bool()> &condition, DWORD timeout_ms = 20000,
                       DWORD interval_ms = 100) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (GetTickCount64() >= end) {
      return false;
    }
    pump_messages(interval_ms);
  }
}

// A path given at build time: a Unix path (Wine shows the Unix root as drive Z:) or a Windows one.
inline std::wstring windows_path(const char *built_path) {
  std::wstring path;
  for (const char *p = built_path; *p != '\0'; ++p) {
    path += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  if (!path.empty() && path[0] == L'/') {
    path = L"Z:" + path;
  }
  for (auto &c : path) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  return path;
}

// Writes a REG_SZ value (the key's default value for a null name); false when it could not.
inline bool set_string(HKEY root, const std::wstring &key, const wchar_t *name,
                       const std::wstring &value, REGSAM view = 0) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &h, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG written =
      RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return written == ERROR_SUCCESS;
}

// Makes the recorder the handler of https addresses and starts an empty record.
inline void install_url_recorder() {
  set_string(HKEY_LOCAL_MACHINE, L"Software\\Classes\\https\\shell\\open\\command", nullptr,
             quoted(recorder_path()) + L" \"%1\"");
  DeleteFileW(opened_log_path().c_str());
}

// The addresses the recorder has written so far, in order.
inline std::vector<std::string> recorded_addresses() {
  std::vector<std::string> lines;
  std::istringstream in(read_file(opened_log_path()));
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// Whether a process runs this program (its file name, any case).
inline bool process_running(const wchar_t *exe_name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return true;
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = lstrcmpiW(entry.szExeFile, exe_name) == 0;
  }
  CloseHandle(snapshot);
  return found;
}

// The complete record of the addresses opened, in order. Each opening is recorded by a process of
// its own that writes after the opening call returned, so this waits for at least `expected`
// addresses (at most `timeout_ms`), then until no recorder runs and the record has stayed the
// same for half a second: an opening beyond the expected ones is in the result, so counts can be
// compared. Complete for everything the program opened before the call (call it after the
// program ended, or after the action that opens has been answered).
inline std::vector<std::string> opened_addresses(std::size_t expected, DWORD timeout_ms = 10000) {
  constexpr DWORD settle_ms = 500;
  eventually([&] { return recorded_addresses().size() >= expected; }, timeout_ms);
  std::vector<std::string> lines = recorded_addresses();
  ULONGLONG unchanged_since = GetTickCount64();
  const ULONGLONG give_up = unchanged_since + timeout_ms + 10000;
  while (GetTickCount64() < give_up) {
    pump_messages(100);
    std::vector<std::string> now = recorded_addresses();
    if (now != lines || process_running(L"url_recorder.exe")) {
      lines = std::move(now);
      unchanged_since = GetTickCount64();
    } else if (GetTickCount64() - unchanged_since >= settle_ms) {
      break;
    }
  }
  return lines;
}

const wchar_t clients_key[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t clients_wow_key[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{"
                                  L"F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
// Read in the 32-bit view (KEY_WOW64_32KEY): the runtime's folder, value EBWebView.
const wchar_t client_state_key[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// Removes every registration the application's start-up check reads.
inline void clear_runtime_registration() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RegDeleteKeyW(root, clients_key);
    RegDeleteKeyW(root, clients_wow_key);
  }
}

// The folder to register for a runtime whose client library is at `library` (the folder three
// levels above it: FOLDER\EBWebView\x64\EmbeddedBrowserWebView.dll).
inline std::wstring runtime_folder_of(std::wstring library) {
  for (int i = 0; i < 3; ++i) {
    library = library.substr(0, library.find_last_of(L'\\'));
  }
  return library;
}

// Registers an installed runtime in `folder` for `root` as its installer does: the folder under
// ClientState in the 32-bit view and, when `version` is given, the version the application's
// start-up check reads under Clients. False when a value could not be written.
inline bool register_runtime(HKEY root, const std::wstring &folder,
                             const std::wstring &version = L"") {
  return set_string(root, client_state_key, L"EBWebView", folder, KEY_WOW64_32KEY) &&
         (version.empty() || set_string(root, clients_key, L"pv", version));
}

// Removes every runtime registration of both roots.
inline void unregister_runtime() {
  clear_runtime_registration();
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RegDeleteKeyExW(root, client_state_key, KEY_WOW64_32KEY, 0);
  }
}

inline std::string to_utf8(const std::wstring &w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  s.pop_back();
  return s;
}

} // namespace e2e

#endif
