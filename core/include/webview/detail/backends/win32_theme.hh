// The title bar follows the user's light or dark app theme.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_THEME_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_THEME_HH

#include "win32_library.hh"
#include "win32_reg_key.hh"

#include <windows.h>

namespace webview {
namespace detail {

// Read anew at every call: the user may switch themes while the program runs.
inline bool is_dark_theme_enabled() {
  reg_key key(HKEY_CURRENT_USER,
              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0, KEY_READ);
  if (!key.is_open()) {
    return false;
  }
  // A missing, unreadable or short value means light.
  return key.value_dword(L"AppsUseLightTheme", 1) == 0;
}

// dwmapi stays loaded for the rest of the process once a window has needed it.
inline HMODULE dwmapi_module() {
  static const HMODULE module = load_system_library(L"dwmapi.dll");
  return module;
}

inline void apply_window_theme(HWND window) {
  using DwmSetWindowAttribute_t = HRESULT(WINAPI *)(HWND, DWORD, LPCVOID, DWORD);
  auto set_attribute =
      get_export<DwmSetWindowAttribute_t>(dwmapi_module(), "DwmSetWindowAttribute");
  if (set_attribute == nullptr) {
    return;
  }
  const BOOL dark = is_dark_theme_enabled() ? TRUE : FALSE;
  // 20 is the documented attribute; builds before Windows 10 20H1 know it as 19.
  if (set_attribute(window, 20, &dark, sizeof(dark)) != S_OK) {
    set_attribute(window, 19, &dark, sizeof(dark));
  }
}

} // namespace detail
} // namespace webview

#endif
