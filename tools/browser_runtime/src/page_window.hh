// The controller's own child window in the program's parent window: it shows the page's latest
// screencast frame and turns the mouse, wheel and keyboard input it receives into the
// browser's Input.dispatch* commands.

#ifndef ZBR_PAGE_WINDOW_HH
#define ZBR_PAGE_WINDOW_HH

#include "frame_decoder.hh"

#include <windows.h>

#include <functional>
#include <string>

namespace zbr {

class PageWindow {
public:
  // `input(method, params)` sends one input command; `zoom(step)` asks to zoom in (+1), out
  // (-1) or back to 100% (0) and returns false when zooming is off; `dev_tools()` tells
  // whether the developer-tools keys may reach the browser.
  PageWindow(HWND parent, std::function<void(const std::string &, const std::string &)> input,
             std::function<bool(int)> zoom, std::function<bool()> dev_tools);
  ~PageWindow();
  PageWindow(const PageWindow &) = delete;
  PageWindow &operator=(const PageWindow &) = delete;

  HWND handle() const { return window_; }
  void set_bounds(const RECT &bounds);
  void set_visible(bool visible);
  void focus();
  void show_frame(Frame frame);

private:
  static LRESULT CALLBACK procedure(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  void mouse(const char *type, LPARAM lparam, const char *button, int clicks);
  void key(const char *type, WPARAM vk, LPARAM lparam);

  HWND window_ = nullptr;
  Frame frame_;
  std::function<void(const std::string &, const std::string &)> input_;
  std::function<bool(int)> zoom_;
  std::function<bool()> dev_tools_;
  const char *pressed_ = "none";
};

// The DOM key value and code of a virtual key that types no character ("" when none).
std::string key_name(unsigned vk);
// Modifier bits of the protocol (Alt 1, Ctrl 2, Meta 4, Shift 8) from the keyboard state.
int current_modifiers();

} // namespace zbr

#endif // ZBR_PAGE_WINDOW_HH
