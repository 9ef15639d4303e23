// What the notification area sends back: the taskbar was (re)created, so the icon must be added
// again; the icon or its balloon was clicked, so the application comes to the front.
#ifndef ZORVEL_APP_TRAY_ICON_EVENTS_HH
#define ZORVEL_APP_TRAY_ICON_EVENTS_HH

#include "tray_notify.hh"

#include <windows.h>

#include <shellapi.h>

namespace zorvel {

// Restores a minimised window and makes it the foreground window.
inline void bring_to_front(HWND window) {
  if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  }
  SetForegroundWindow(window);
}

// A message of the main window, seen before the engine's handling; true when it was the tray's.
// The shell broadcasts "TaskbarCreated" to top-level windows when the taskbar starts again.
inline bool on_tray_window_message(HWND window, UINT msg, LPARAM lp) {
  static const UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
  if (msg == taskbar_created && taskbar_created != 0) {
    if (tray_icon_added) {
      add_tray_icon();
    }
    return true;
  }
  if (msg == tray_callback_message) {
    switch (LOWORD(lp)) {
    case NIN_BALLOONUSERCLICK:
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      bring_to_front(window);
      break;
    default:
      break;
    }
    return true;
  }
  return false;
}

} // namespace zorvel

#endif
