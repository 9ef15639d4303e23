// How the program's windows look and where they appear: icons, the first window's place, a
// further window cascaded from the one it comes from, and a page's popup where it asked.
#ifndef ZORVEL_APP_WINDOW_SETUP_HH
#define ZORVEL_APP_WINDOW_SETUP_HH

#include "window_placement.hh"
#include "window_placement_store.hh"

#include <webview/detail/backends/webview2_new_window.hh>
#include <webview/detail/backends/win32_dpi.hh>

#include <windows.h>

namespace zorvel {

inline void set_window_icons(HWND window) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  auto load = [module](int cx, int cy) {
    return static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
  };
  if (HICON big = load(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HICON small = load(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))) {
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

// Centred in the primary work area, or maximised when it does not fit.
inline void place_window(HWND window) {
  RECT work{}, rect{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window, &rect);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const int W = work.right - work.left, H = work.bottom - work.top;
  if (w > W || h > H) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
  } else {
    SetWindowPos(window, nullptr, work.left + (W - w) / 2, work.top + (H - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  }
}

// The first window: where the user left the last one, else centred.
inline void place_first_window(HWND window) {
  if (!restore_window_placement(window)) {
    place_window(window); // a first start, or a placement that cannot be used
  }
}

inline screen_rect work_area_of(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return to_screen_rect(info.rcWork);
}

// A further window of the program, cascaded from `from` (its normal size and place), maximised
// when `from` is; centred when `from` is gone.
inline void place_cascaded(HWND window, HWND from) {
  screen_rect r;
  if (from == nullptr || !IsWindow(from) || !normal_rect(from, r)) {
    place_window(window);
    return;
  }
  const long step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME) +
                    GetSystemMetrics(SM_CXPADDEDBORDER);
  const screen_rect next = cascaded_rect(r, step, work_area_of(from));
  SetWindowPos(window, nullptr, next.left, next.top, next.width(), next.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (IsZoomed(from)) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
  }
}

// A page's popup: where the page asked (its pixels scaled to the screen), else centred on its
// opener; always whole inside a work area.
inline void place_popup(HWND window, HWND opener, const webview::detail::new_window_features &f) {
  RECT r{};
  GetWindowRect(window, &r);
  screen_rect at = to_screen_rect(r);
  RECT around{};
  if (f.has_position) {
    const long dpi = webview::detail::get_window_dpi(window);
    at = {f.left * dpi / 96, f.top * dpi / 96, f.left * dpi / 96 + at.width(),
          f.top * dpi / 96 + at.height()};
  } else if (opener != nullptr && GetWindowRect(opener, &around)) {
    const long left = (around.left + around.right - at.width()) / 2;
    const long top = (around.top + around.bottom - at.height()) / 2;
    at = {left, top, left + at.width(), top + at.height()};
  }
  const RECT wanted{at.left, at.top, at.right, at.bottom};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info);
  const screen_rect inside = kept_inside(at, to_screen_rect(info.rcWork));
  SetWindowPos(window, nullptr, inside.left, inside.top, inside.width(), inside.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace zorvel

#endif
