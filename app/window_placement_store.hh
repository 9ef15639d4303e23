// Keeps the main window's placement in the program's user data folder between starts: written
// when the window is closed, read before it is first shown.
#ifndef ZORVEL_APP_WINDOW_PLACEMENT_STORE_HH
#define ZORVEL_APP_WINDOW_PLACEMENT_STORE_HH

#include "window_placement.hh"

#include <webview/detail/backends/webview2_embedding.hh>

#include <windows.h>

#include <string>
#include <vector>

namespace zorvel {

inline screen_rect to_screen_rect(const RECT &r) {
  return {r.left, r.top, r.right, r.bottom};
}

// The placement file; empty when the user data folder cannot be found.
inline std::wstring placement_file() {
  std::wstring folder;
  if (!webview::detail::make_user_data_folder(folder)) {
    return {};
  }
  return folder + L"\\window.txt";
}

inline std::vector<monitor_area> attached_monitors() {
  std::vector<monitor_area> monitors;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM out) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info)) {
          reinterpret_cast<std::vector<monitor_area> *>(out)->push_back(
              {to_screen_rect(info.rcMonitor), to_screen_rect(info.rcWork),
               (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

inline std::string read_small_file(const std::wstring &path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  char buffer[1024];
  DWORD got = 0;
  std::string text;
  if (ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
    text.assign(buffer, got);
  }
  CloseHandle(file);
  return text;
}

// Shows nothing yet: moves the hidden window where it was left and, when it was maximised,
// shows it maximised. False when there is no usable placement (the caller places it then).
inline bool restore_window_placement(HWND window) {
  const std::wstring path = placement_file();
  const auto saved = path.empty() ? std::nullopt : parse_placement(read_small_file(path));
  if (!saved) {
    return false;
  }
  const screen_rect r = restored_rect(*saved, attached_monitors());
  SetWindowPos(window, nullptr, r.left, r.top, r.width(), r.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (saved->maximized) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
  }
  return true;
}

// The window's size and place when it is neither maximised nor minimised, in screen
// coordinates; false when the window cannot be read.
inline bool normal_rect(HWND window, screen_rect &normal) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  RECT now{};
  if (!IsZoomed(window) && !IsIconic(window) && GetWindowRect(window, &now)) {
    normal = to_screen_rect(now);
    return true;
  }
  if (!GetWindowPlacement(window, &wp)) {
    return false;
  }
  // The normal rectangle is kept in workspace coordinates: from the primary work area's corner.
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  OffsetRect(&wp.rcNormalPosition, work.left, work.top);
  normal = to_screen_rect(wp.rcNormalPosition);
  return true;
}

// Written when the window closes; a minimised window comes back normal.
inline void save_window_placement(HWND window) {
  const std::wstring path = placement_file();
  MONITORINFO info{};
  info.cbSize = sizeof info;
  window_placement p;
  if (path.empty() || !normal_rect(window, p.normal) ||
      !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
    return;
  }
  p.maximized = IsZoomed(window) != FALSE;
  p.monitor = to_screen_rect(info.rcMonitor);
  CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
  const std::string text = format_placement(p);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

} // namespace zorvel

#endif
