// What the user is asked when the browser's data folder cannot be opened: try again, start
// with fresh browser data (the old folder is moved aside under a dated name, never deleted), or
// open the suite in the default browser.
#ifndef ZORVEL_APP_BROWSER_DATA_PROMPT_HH
#define ZORVEL_APP_BROWSER_DATA_PROMPT_HH

#include "app_texts.hh"

#include <webview/detail/backends/webview2_embedding.hh>
#include <webview/detail/backends/win32_edge_startup.hh>
#include <webview/detail/backends/win32_page_dialogs.hh>

#include <windows.h>

#include <cwchar>
#include <string>

namespace zorvel {

enum class browser_data_choice { try_again, fresh_data, open_in_browser, close };

constexpr WORD try_again_id = 10;
constexpr WORD fresh_data_id = 11;
constexpr WORD open_in_browser_id = 12;

inline INT_PTR CALLBACK browser_data_dialog_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetFocus(GetDlgItem(dialog, try_again_id));
    return FALSE;
  }
  if (msg == WM_COMMAND) {
    const WORD id = LOWORD(wp);
    if (id == try_again_id || id == fresh_data_id || id == open_in_browser_id || id == IDCANCEL) {
      EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

// The question, owned by `owner`. Closing it (Esc, the close box) is `close`.
inline browser_data_choice ask_about_browser_data(HWND owner,
                                                  webview::detail::browser_data_problem problem) {
  using webview::detail::dialog_template;
  const wchar_t *text = problem == webview::detail::browser_data_problem::in_use
                            ? browser_data_in_use_prompt
                            : browser_data_unusable_prompt;
  dialog_template dialog(app_title, 350, 116, 4);
  dialog.add_item(SS_LEFT | SS_NOPREFIX, 7, 7, 336, 84, static_cast<WORD>(-1), 0x82, text);
  dialog.add_item(BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 96, 108, 15, try_again_id, 0x80,
                  try_again_button);
  dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, 121, 96, 108, 15, fresh_data_id, 0x80,
                  fresh_data_button);
  dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, 235, 96, 108, 15, open_in_browser_id, 0x80,
                  open_in_browser_button);
  switch (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner,
                                  browser_data_dialog_proc, 0)) {
  case try_again_id:
    return browser_data_choice::try_again;
  case fresh_data_id:
    return browser_data_choice::fresh_data;
  case open_in_browser_id:
    return browser_data_choice::open_in_browser;
  default:
    return browser_data_choice::close;
  }
}

// The folder's name with the local date and time it was set aside, e.g.
// "...\ZorvelOffice.exe (2026-12-08 16.42.05)".
inline std::wstring dated_name(const std::wstring &folder) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t stamp[40] = {};
  std::swprintf(stamp, 40, L" (%04u-%02u-%02u %02u.%02u.%02u)", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return folder + stamp;
}

// Moves the browser data folder aside so the next browser starts afresh, and tells the user
// where it went (or that it could not be moved). Nothing to move is not a failure.
inline void set_browser_data_aside(HWND owner) {
  std::wstring folder;
  if (!webview::detail::make_user_data_folder(folder)) {
    return;
  }
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return; // no data yet
  }
  const std::wstring aside = dated_name(folder);
  if (MoveFileExW(folder.c_str(), aside.c_str(), 0)) {
    const std::wstring notice = browser_data_moved_notice + aside;
    MessageBoxW(owner, notice.c_str(), app_title, MB_OK | MB_ICONINFORMATION);
  } else {
    MessageBoxW(owner, browser_data_not_moved_notice, app_title, MB_OK | MB_ICONWARNING);
  }
}

} // namespace zorvel

#endif
