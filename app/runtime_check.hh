// Whether the WebView2 Runtime is registered on this machine, before any window is made.
#ifndef ZORVEL_APP_RUNTIME_CHECK_HH
#define ZORVEL_APP_RUNTIME_CHECK_HH

#include <windows.h>

#include <cwchar>

namespace zorvel {

inline bool webview2_runtime_registered() {
  static const wchar_t wow_key[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\"
                                   L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
  static const wchar_t key[] =
      L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
  const struct {
    HKEY root;
    const wchar_t *path;
  } locations[] = {{HKEY_LOCAL_MACHINE, wow_key},
                   {HKEY_LOCAL_MACHINE, key},
                   {HKEY_CURRENT_USER, wow_key},
                   {HKEY_CURRENT_USER, key}};
  for (const auto &location : locations) {
    wchar_t version[64] = {};
    DWORD size = sizeof(version);
    if (RegGetValueW(location.root, location.path, L"pv", RRF_RT_REG_SZ, nullptr, version, &size) ==
            ERROR_SUCCESS &&
        version[0] != L'\0' && std::wcscmp(version, L"0.0.0.0") != 0) {
      return true;
    }
  }
  return false;
}

} // namespace zorvel

#endif
