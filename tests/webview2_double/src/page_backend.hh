// A page behind the double's web view. The double alone has none: its web view only records
// calls. A module that links the double's objects (tools/browser_runtime/, which drives a real
// browser page) registers a factory; each controller then gets a page, and the web view and
// controller forward their work to it while keeping the double's log, faults and rules.
//
// Every completion a page reports must come from the thread's message loop, never inside the
// call that asked for it.

#ifndef WV2D_PAGE_BACKEND_HH
#define WV2D_PAGE_BACKEND_HH

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace wv2d {

class WebView;

class PageBackend {
public:
  virtual ~PageBackend() = default;

  virtual HRESULT navigate(const std::wstring &uri) = 0;
  virtual HRESULT navigate_to_string(const std::wstring &html) = 0;
  // `done` receives the result as JSON text ("null" for none); `wants_result` false lets the
  // page skip serialising it.
  virtual void execute_script(const std::wstring &script, bool wants_result,
                              std::function<void(HRESULT, const std::wstring &)> done) = 0;
  virtual void add_script(const std::wstring &id, const std::wstring &script,
                          std::function<void(HRESULT)> done) = 0;
  virtual void remove_script(const std::wstring &id) = 0;
  virtual void set_bounds(const RECT &bounds) = 0;
  virtual void set_visible(bool visible) = 0;
  virtual void move_focus() = 0;
  virtual void reload() = 0;
  // The web view is closed: stop the page and report nothing more.
  virtual void close() = 0;
};

// Creates the page of a new controller whose web view is `view`, in `parent`; calls `ready`
// from the message loop with the page, or with null when it cannot be made.
using PageBackendFactory = void (*)(HWND parent, WebView *view,
                                    std::function<void(std::unique_ptr<PageBackend>)> ready);

void set_page_backend_factory(PageBackendFactory factory);
PageBackendFactory page_backend_factory();

} // namespace wv2d

#endif // WV2D_PAGE_BACKEND_HH
