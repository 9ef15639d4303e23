#include "page_window.hh"

#include "json.hh"

#include <windowsx.h>

namespace zbr {
namespace {

const wchar_t kClassName[] = L"ZorvelBrowserRuntimePage";

void register_class() {
  static const bool registered = [] {
    WNDCLASSEXW c = {};
    c.cbSize = sizeof c;
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
    c.lpszClassName = kClassName;
    return RegisterClassExW(&c) != 0;
  }();
  (void)registered;
}

std::string button_mask(WPARAM wparam) {
  int buttons = 0;
  if (wparam & MK_LBUTTON) {
    buttons |= 1;
  }
  if (wparam & MK_RBUTTON) {
    buttons |= 2;
  }
  if (wparam & MK_MBUTTON) {
    buttons |= 4;
  }
  return std::to_string(buttons);
}

} // namespace

int current_modifiers() {
  int m = 0;
  if (GetKeyState(VK_MENU) & 0x8000) {
    m |= 1;
  }
  if (GetKeyState(VK_CONTROL) & 0x8000) {
    m |= 2;
  }
  if ((GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) & 0x8000) {
    m |= 4;
  }
  if (GetKeyState(VK_SHIFT) & 0x8000) {
    m |= 8;
  }
  return m;
}

std::string key_name(unsigned vk) {
  switch (vk) {
  case VK_HOME:
    return "Home";
  case VK_END:
    return "End";
  case VK_LEFT:
    return "ArrowLeft";
  case VK_RIGHT:
    return "ArrowRight";
  case VK_UP:
    return "ArrowUp";
  case VK_DOWN:
    return "ArrowDown";
  case VK_PRIOR:
    return "PageUp";
  case VK_NEXT:
    return "PageDown";
  case VK_BACK:
    return "Backspace";
  case VK_TAB:
    return "Tab";
  case VK_RETURN:
    return "Enter";
  case VK_ESCAPE:
    return "Escape";
  case VK_DELETE:
    return "Delete";
  case VK_INSERT:
    return "Insert";
  case VK_SHIFT:
    return "Shift";
  case VK_CONTROL:
    return "Control";
  case VK_MENU:
    return "Alt";
  default:
    if (vk >= VK_F1 && vk <= VK_F12) {
      return "F" + std::to_string(vk - VK_F1 + 1);
    }
    return "";
  }
}

PageWindow::PageWindow(HWND parent,
                       std::function<void(const std::string &, const std::string &)> input,
                       std::function<bool(int)> zoom, std::function<bool()> dev_tools)
    : input_(std::move(input)), zoom_(std::move(zoom)), dev_tools_(std::move(dev_tools)) {
  register_class();
  RECT r = {};
  GetClientRect(parent, &r);
  window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                            r.right, r.bottom, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure));
}

PageWindow::~PageWindow() {
  if (window_ && IsWindow(window_)) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void PageWindow::set_bounds(const RECT &b) {
  MoveWindow(window_, b.left, b.top, b.right - b.left, b.bottom - b.top, TRUE);
}

void PageWindow::set_visible(bool visible) {
  ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void PageWindow::focus() {
  SetFocus(window_);
}

void PageWindow::show_frame(Frame frame) {
  frame_ = std::move(frame);
  InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK PageWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto *self = reinterpret_cast<PageWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->handle(message, wparam, lparam)
              : DefWindowProcW(window, message, wparam, lparam);
}

void PageWindow::mouse(const char *type, LPARAM lparam, const char *button, int clicks) {
  input_("Input.dispatchMouseEvent",
         std::string("{\"type\":\"") + type + "\",\"x\":" + std::to_string(GET_X_LPARAM(lparam)) +
             ",\"y\":" + std::to_string(GET_Y_LPARAM(lparam)) + ",\"button\":\"" + button +
             "\",\"clickCount\":" + std::to_string(clicks) +
             ",\"modifiers\":" + std::to_string(current_modifiers()) + "}");
}

void PageWindow::key(const char *type, WPARAM vk, LPARAM lparam) {
  const std::string name = key_name(static_cast<unsigned>(vk));
  // Bit 29 of a system key's lParam: Alt is down (also for keys posted by another program).
  const int modifiers = current_modifiers() | ((lparam >> 29) & 1);
  std::string params = std::string("{\"type\":\"") + type +
                       "\",\"windowsVirtualKeyCode\":" + std::to_string(vk) +
                       ",\"nativeVirtualKeyCode\":" + std::to_string(vk) +
                       ",\"modifiers\":" + std::to_string(modifiers);
  if (!name.empty()) {
    params += ",\"key\":" + quote(name) + ",\"code\":" + quote(name);
  } else if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
    const char c = static_cast<char>(vk);
    params += ",\"key\":" + quote(std::string(1, c >= 'A' ? static_cast<char>(c - 'A' + 'a') : c)) +
              ",\"code\":" + quote(std::string(c >= 'A' ? "Key" : "Digit") + c);
  }
  input_("Input.dispatchKeyEvent", params + "}");
}

LRESULT PageWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
  case WM_PAINT: {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    if (frame_.width > 0) {
      BITMAPINFO info = {};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = frame_.width;
      info.bmiHeader.biHeight = -frame_.height; // top-down
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetStretchBltMode(dc, HALFTONE);
      StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, frame_.width, frame_.height,
                    frame_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    } else {
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(window_, &ps);
    return 0;
  }
  case WM_ERASEBKGND:
    return 1;
  case WM_MOUSEACTIVATE:
    SetFocus(window_);
    return MA_ACTIVATE;
  case WM_MOUSEMOVE:
    mouse("mouseMoved", lparam, pressed_, 0);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    SetCapture(window_);
    pressed_ = "left";
    mouse("mousePressed", lparam, "left", message == WM_LBUTTONDBLCLK ? 2 : 1);
    return 0;
  case WM_LBUTTONUP:
    ReleaseCapture();
    pressed_ = "none";
    mouse("mouseReleased", lparam, "left", 1);
    return 0;
  case WM_RBUTTONDOWN:
    mouse("mousePressed", lparam, "right", 1);
    return 0;
  case WM_RBUTTONUP:
    mouse("mouseReleased", lparam, "right", 1);
    return 0;
  case WM_MBUTTONDOWN:
    mouse("mousePressed", lparam, "middle", 1);
    return 0;
  case WM_MBUTTONUP:
    mouse("mouseReleased", lparam, "middle", 1);
    return 0;
  case WM_MOUSEWHEEL:
  case WM_MOUSEHWHEEL: {
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(window_, &p);
    const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
    if (message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(wparam) & MK_CONTROL) &&
        zoom_(delta > 0 ? 1 : -1)) {
      return 0;
    }
    const bool vertical = message == WM_MOUSEWHEEL;
    input_("Input.dispatchMouseEvent",
           "{\"type\":\"mouseWheel\",\"x\":" + std::to_string(p.x) + ",\"y\":" +
               std::to_string(p.y) + ",\"deltaX\":" + std::to_string(vertical ? 0 : delta) +
               ",\"deltaY\":" + std::to_string(vertical ? -delta : 0) +
               ",\"buttons\":" + button_mask(GET_KEYSTATE_WPARAM(wparam)) + "}");
    return 0;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN: {
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (!dev_tools_() && (wparam == VK_F12 ||
                          (ctrl && shift && (wparam == 'I' || wparam == 'J' || wparam == 'C')))) {
      return 0;
    }
    if (ctrl && (wparam == VK_OEM_PLUS || wparam == VK_ADD || wparam == VK_OEM_MINUS ||
                 wparam == VK_SUBTRACT || wparam == '0' || wparam == VK_NUMPAD0)) {
      const int step = (wparam == VK_OEM_PLUS || wparam == VK_ADD)         ? 1
                       : (wparam == VK_OEM_MINUS || wparam == VK_SUBTRACT) ? -1
                                                                           : 0;
      if (zoom_(step)) {
        return 0;
      }
    }
    key("rawKeyDown", wparam, lparam);
    return 0; // WM_SYSKEYDOWN too: Alt+key belongs to the page, not to the window menu
  }
  case WM_KEYUP:
  case WM_SYSKEYUP:
    key("keyUp", wparam, lparam);
    return 0;
  case WM_CHAR:
  case WM_SYSCHAR: {
    if (wparam < 0x20 && wparam != '\r') {
      return 0; // control characters are keys, already sent
    }
    wchar_t c = static_cast<wchar_t>(wparam);
    char utf8[8] = {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, sizeof utf8, nullptr, nullptr);
    const std::string text(utf8, n > 0 ? static_cast<std::size_t>(n) : 0);
    input_("Input.dispatchKeyEvent", "{\"type\":\"char\",\"text\":" + quote(text) +
                                         ",\"modifiers\":" + std::to_string(current_modifiers()) +
                                         "}");
    return 0;
  }
  case WM_GETDLGCODE:
    return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
  default:
    return DefWindowProcW(window_, message, wparam, lparam);
  }
}

} // namespace zbr
