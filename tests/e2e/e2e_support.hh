// Set-up shared by the end-to-end tests: where the programs are, the https handler that records
// what the application opens, and the runtime's registration in the test prefix.
#ifndef TESTS_E2E_E2E_SUPPORT_HH
#define TESTS_E2E_E2E_SUPPORT_HH

#include <windows.h>

#include <fstream>
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

inline void set_string(HKEY root, const std::wstring &key, const wchar_t *name,
                       const std::wstring &value, REGSAM view = 0) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &h, nullptr) ==
      ERROR_SUCCESS) {
    RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
  }
}

// Makes the recorder the handler of https addresses and starts an empty record.
inline void install_url_recorder() {
  set_string(HKEY_LOCAL_MACHINE, L"Software\\Classes\\https\\shell\\open\\command", nullptr,
             quoted(recorder_path()) + L" \"%1\"");
  DeleteFileW(opened_log_path().c_str());
}

// The addresses opened so far, in order (the recorder runs as its own process: wait for it).
inline std::vector<std::string> opened_addresses(std::size_t expected, DWORD timeout_ms = 10000) {
  std::vector<std::string> lines;
  for (DWORD waited = 0;; waited += 100) {
    lines.clear();
    std::ifstream in(opened_log_path().c_str());
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    if (lines.size() >= expected || waited >= timeout_ms) {
      return lines;
    }
    Sleep(100);
  }
}

const wchar_t clients_key[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t clients_wow_key[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{"
                                  L"F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// Removes every registration the application's start-up check reads.
inline void clear_runtime_registration() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    RegDeleteKeyW(root, clients_key);
    RegDeleteKeyW(root, clients_wow_key);
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
