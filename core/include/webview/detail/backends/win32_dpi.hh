// DPI awareness, per-window DPI and the conversion of client sizes to window sizes. Entry points
// that newer Windows versions added are looked up when needed, each with a fallback.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_DPI_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_DPI_HH

#include "win32_library.hh"

#include <windows.h>

#include <utility>

namespace webview {
namespace detail {

// The awareness contexts by value, so that older SDK headers are enough.
inline DPI_AWARENESS_CONTEXT dpi_context_per_monitor() {
  return reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<INT_PTR>(-3));
}
inline DPI_AWARENESS_CONTEXT dpi_context_per_monitor_v2() {
  return reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<INT_PTR>(-4));
}

// Per-monitor V2 from Windows 10 1703 (10.0.15063) on; plain per-monitor before it. A version
// that cannot be read counts as new.
inline DPI_AWARENESS_CONTEXT choose_dpi_awareness_context() {
  struct os_version {
    ULONG size, major, minor, build, platform;
    WCHAR service_pack[128];
  };
  using RtlGetVersion_t = LONG(WINAPI *)(os_version *);
  native_library ntdll(load_system_library(L"ntdll.dll"));
  auto rtl_get_version = ntdll.get<RtlGetVersion_t>("RtlGetVersion");
  if (rtl_get_version == nullptr) {
    return dpi_context_per_monitor_v2();
  }
  os_version v{};
  v.size = sizeof(os_version);
  static_assert(sizeof(os_version) == 276, "RTL_OSVERSIONINFOW is 276 bytes");
  if (rtl_get_version(&v) != 0) {
    return dpi_context_per_monitor_v2();
  }
  const bool v2 = v.major != 10 ? v.major > 10 : v.minor != 0 ? v.minor > 0 : v.build >= 15063;
  return v2 ? dpi_context_per_monitor_v2() : dpi_context_per_monitor();
}

// Makes the process per-monitor DPI aware with the best interface the system has. Failures are
// ignored: the process then runs with the awareness it already had.
inline void enable_dpi_awareness() {
  using SetProcessDpiAwarenessContext_t = BOOL(WINAPI *)(DPI_AWARENESS_CONTEXT);
  using SetProcessDpiAwareness_t = HRESULT(WINAPI *)(int);
  using SetProcessDPIAware_t = BOOL(WINAPI *)();
  native_library user32(load_system_library(L"user32.dll"));
  if (auto set_context =
          user32.get<SetProcessDpiAwarenessContext_t>("SetProcessDpiAwarenessContext")) {
    if (!set_context(choose_dpi_awareness_context())) {
      GetLastError(); // already set by a manifest or an earlier call: keep it
    }
    return;
  }
  {
    native_library shcore(load_system_library(L"shcore.dll"));
    if (auto set_awareness = shcore.get<SetProcessDpiAwareness_t>("SetProcessDpiAwareness")) {
      set_awareness(2); // PROCESS_PER_MONITOR_DPI_AWARE
      return;
    }
  }
  if (auto set_aware = user32.get<SetProcessDPIAware_t>("SetProcessDPIAware")) {
    set_aware();
  }
}

// Scales the frame of a window whose context is plain per-monitor; V2 windows scale by themselves.
inline void enable_non_client_dpi_scaling_if_needed(HWND window) {
  using GetWindowDpiAwarenessContext_t = DPI_AWARENESS_CONTEXT(WINAPI *)(HWND);
  using AreDpiAwarenessContextsEqual_t =
      BOOL(WINAPI *)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
  using EnableNonClientDpiScaling_t = BOOL(WINAPI *)(HWND);
  native_library user32(load_system_library(L"user32.dll"));
  auto get_context = user32.get<GetWindowDpiAwarenessContext_t>("GetWindowDpiAwarenessContext");
  auto are_equal = user32.get<AreDpiAwarenessContextsEqual_t>("AreDpiAwarenessContextsEqual");
  if (get_context == nullptr || are_equal == nullptr) {
    return;
  }
  DPI_AWARENESS_CONTEXT context = get_context(window);
  if (context == nullptr || !are_equal(context, dpi_context_per_monitor())) {
    return;
  }
  if (auto enable = user32.get<EnableNonClientDpiScaling_t>("EnableNonClientDpiScaling")) {
    enable(window);
  }
}

// The window's DPI, or 96 where the system cannot tell.
inline int get_window_dpi(HWND window) {
  using GetDpiForWindow_t = UINT(WINAPI *)(HWND);
  native_library user32(load_system_library(L"user32.dll"));
  if (auto get_dpi = user32.get<GetDpiForWindow_t>("GetDpiForWindow")) {
    return static_cast<int>(get_dpi(window));
  }
  return USER_DEFAULT_SCREEN_DPI;
}

// Outer size of `window` for a client area of width x height physical pixels at `dpi`.
inline std::pair<int, int> window_size_for_client(HWND window, int width, int height, int dpi) {
  using AdjustWindowRectExForDpi_t = BOOL(WINAPI *)(LPRECT, DWORD, BOOL, DWORD, UINT);
  const auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  RECT r{0, 0, width, height};
  native_library user32(load_system_library(L"user32.dll"));
  if (auto adjust = user32.get<AdjustWindowRectExForDpi_t>("AdjustWindowRectExForDpi")) {
    adjust(&r, style, FALSE, 0, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRect(&r, style, FALSE);
  }
  return {r.right - r.left, r.bottom - r.top};
}

} // namespace detail
} // namespace webview

#endif
