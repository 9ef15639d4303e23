// What a host tells the engine about its start-up: how the window looks before the browser
// exists, and what to do when the browser data folder cannot be used.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_EDGE_STARTUP_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_EDGE_STARTUP_HH

#include <windows.h>

#include <functional>
#include <string>

struct ICoreWebView2Environment;

namespace webview {
namespace detail {

class win32_edge_engine;

// Why the browser could not be created in its data folder: the folder is in use by a browser
// started with other options (another copy of the program run differently, an older version),
// or the folder itself cannot be used (a file in its place, no right to it).
enum class browser_data_problem { in_use, unusable };

// The host's answer: try again (the other browser has exited, or the folder was moved aside),
// or give up (construction then fails with the matching message below).
enum class browser_data_answer { retry, give_up };

constexpr const char *browser_data_in_use_message =
    "The browser data folder is in use by a browser with other options";
constexpr const char *browser_data_unusable_message = "The browser data folder cannot be used";

struct win32_edge_startup {
  // Runs when the windows exist and before the browser is created: a host sets the title, size
  // (which shows an owned window), icons and place here, so the window is there at once.
  std::function<void(win32_edge_engine &)> before_browser;
  // Runs once, right before an owned window is first shown (its size is set by then): icons and
  // placement go here, so the window never appears elsewhere first.
  std::function<void(HWND)> before_show;
  // Asked while the window is still there when the data folder cannot be used; without it the
  // construction fails at once.
  std::function<browser_data_answer(browser_data_problem)> on_browser_data_problem;
  // Drawn in the middle of an owned window, on `background`, until the browser appears.
  std::wstring starting_text;
  COLORREF background = RGB(255, 255, 255);
  // The browser environment to make the first browser on (another engine's, so that both share
  // one browser and profile); null starts one of its own. The engine holds its own reference.
  ICoreWebView2Environment *environment = nullptr;
  // The window that owns an owned main window (it stays above it and goes with it); none when
  // null.
  HWND owner = nullptr;
};

// Fills the client area with the background and draws the starting text in its middle.
inline void paint_starting_window(HWND window, const win32_edge_startup &startup) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc == nullptr) {
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  if (HBRUSH brush = CreateSolidBrush(startup.background)) {
    FillRect(dc, &client, brush);
    DeleteObject(brush);
  }
  if (!startup.starting_text.empty()) {
    // The system's interface font, which has Arabic and shapes it.
    HFONT font =
        CreateFontW(-MulDiv(11, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    CLEARTYPE_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg 2");
    const HGDIOBJ old_font =
        SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    // Dark or light text, whichever stands out on the background.
    const int luma = (GetRValue(startup.background) * 299 + GetGValue(startup.background) * 587 +
                      GetBValue(startup.background) * 114) /
                     1000;
    SetTextColor(dc, luma > 128 ? RGB(60, 60, 60) : RGB(235, 235, 235));
    // Measured first, then drawn in the middle: a multi-line draw, which Wine shapes Arabic in.
    RECT line = client;
    const int length = static_cast<int>(startup.starting_text.size());
    DrawTextW(dc, startup.starting_text.c_str(), length, &line,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    const int height = line.bottom - line.top;
    line = client;
    line.top = client.top + (client.bottom - client.top - height) / 2;
    DrawTextW(dc, startup.starting_text.c_str(), length, &line,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old_font);
    if (font != nullptr) {
      DeleteObject(font);
    }
  }
  EndPaint(window, &ps);
}

} // namespace detail
} // namespace webview

#endif
