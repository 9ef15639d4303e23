// Balloon notifications from the application's icon in the notification area.
#ifndef ZORVEL_APP_TRAY_NOTIFY_HH
#define ZORVEL_APP_TRAY_NOTIFY_HH

#include "app_texts.hh"
#include "shell_text.hh"

#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace zorvel {

// One icon (id 1) for the whole process, added at the first notification and kept until exit.
inline NOTIFYICONDATAW tray_icon{};
inline bool tray_icon_added = false;

// What the shell sends to the window when the icon or its balloon is clicked.
constexpr UINT tray_callback_message = WM_APP + 1;

// Adds the icon as the shell's notification area first saw it (again after a restart of it).
inline void add_tray_icon() {
  const UINT balloon_flags = tray_icon.uFlags;
  tray_icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
  Shell_NotifyIconW(NIM_ADD, &tray_icon);
  tray_icon.uFlags = balloon_flags;
}

// Copies at most `max_units` units of `text` into `field` and zero-fills the rest.
template <std::size_t N>
void fill_balloon_field(wchar_t (&field)[N], const std::wstring &text, std::size_t max_units) {
  const std::size_t n = text.size() < max_units ? text.size() : max_units;
  std::wmemcpy(field, text.data(), n);
  std::wmemset(field + n, L'\0', N - n);
}

// The balloon's text: the first `max_bytes` bytes of the UTF-8 text (a character cut in two
// reads as U+FFFD), at most `max_units` UTF-16 units of it.
template <std::size_t N>
void set_balloon_text(wchar_t (&field)[N], const std::string &utf8, std::size_t max_bytes,
                      std::size_t max_units) {
  fill_balloon_field(field, widen(utf8.substr(0, max_bytes)), max_units);
}

inline void show_balloon(HWND window, const std::string &title, const std::string &body) {
  if (!tray_icon_added) {
    tray_icon.cbSize = sizeof(NOTIFYICONDATAW);
    tray_icon.hWnd = window;
    tray_icon.uID = 1;
    tray_icon.uCallbackMessage = tray_callback_message;
    tray_icon.hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    fill_balloon_field(tray_icon.szTip, app_short_title, 127);
    add_tray_icon();
    tray_icon_added = true;
  }
  tray_icon.uFlags = NIF_INFO;
  set_balloon_text(tray_icon.szInfoTitle, title, 180, 63);
  set_balloon_text(tray_icon.szInfo, body, 600, 255);
  tray_icon.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
  Shell_NotifyIconW(NIM_MODIFY, &tray_icon);
}

inline void remove_tray_icon() {
  if (tray_icon_added) {
    Shell_NotifyIconW(NIM_DELETE, &tray_icon);
  }
}

// The icon's window is going away while others may stay: the icon goes with it, and the next
// notification adds it again on the window that shows it.
inline void remove_tray_icon_of(HWND window) {
  if (tray_icon_added && tray_icon.hWnd == window) {
    remove_tray_icon();
    tray_icon_added = false;
  }
}

} // namespace zorvel

#endif
