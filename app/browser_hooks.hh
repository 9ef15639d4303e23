// The shell's hooks on browser events: the window title follows the page, and a load that fails
// for lack of a network shows the offline page.
#ifndef ZORVEL_APP_BROWSER_HOOKS_HH
#define ZORVEL_APP_BROWSER_HOOKS_HH

#include "app_texts.hh"
#include "offline_page.hh"
#include "page_rules.hh"
#include "shell_text.hh"

#include <webview/detail/backends/webview2_interfaces.hh>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

namespace zorvel {

// An event handler of interface I made from a callable; every call comes on the UI thread.
template <typename I, typename S, typename A> class Ev : public I {
public:
  explicit Ev(std::function<HRESULT(S, A)> fn) : fn_(std::move(fn)) {}
  Ev(const Ev &) = delete;
  Ev &operator=(const Ev &) = delete;

  // The browser asks only for the interface it registered the handler under.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --count_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }
  // An exception would unwind into the browser and end the process: the event is dropped.
  HRESULT STDMETHODCALLTYPE Invoke(S sender, A args) override {
    try {
      return fn_(sender, args);
    } catch (...) {
      return S_OK;
    }
  }

private:
  virtual ~Ev() = default;
  std::function<HRESULT(S, A)> fn_;
  ULONG count_ = 1;
};

// The six statuses that mean the network or the server could not be reached.
inline bool is_offline_status(COREWEBVIEW2_WEB_ERROR_STATUS status) {
  switch (status) {
  case COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE:
  case COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT:
  case COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET:
  case COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED:
  case COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT:
  case COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED:
    return true;
  default:
    return false;
  }
}

inline HRESULT on_title_changed(HWND window, ICoreWebView2 *sender) {
  LPWSTR title = nullptr;
  if (sender == nullptr || FAILED(sender->get_DocumentTitle(&title)) || title == nullptr) {
    return S_OK;
  }
  const std::wstring text = title;
  CoTaskMemFree(title);
  SetWindowTextW(window, is_displayable_title(text) ? text.c_str() : app_short_title);
  return S_OK;
}

inline HRESULT on_navigation_completed(ICoreWebView2 *sender,
                                       ICoreWebView2NavigationCompletedEventArgs *args,
                                       const std::string &start_url) {
  BOOL ok = TRUE;
  args->get_IsSuccess(&ok);
  if (ok) {
    return S_OK;
  }
  COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
  args->get_WebErrorStatus(&status);
  if (!is_offline_status(status)) {
    return S_OK;
  }
  std::string retry = start_url;
  LPWSTR source = nullptr;
  if (SUCCEEDED(sender->get_Source(&source)) && source != nullptr) {
    const std::string address = narrow(source);
    CoTaskMemFree(source);
    if (is_https_address(address)) {
      retry = address;
    }
  }
  sender->NavigateToString(widen(fill_offline_page(retry)).c_str());
  return S_OK;
}

// Adjusts the browser's settings and attaches both hooks. The hooks live until the process ends.
inline void attach_browser_hooks(ICoreWebView2Controller *controller, HWND window,
                                 const std::string &start_url) {
  ICoreWebView2 *webview = nullptr;
  if (FAILED(controller->get_CoreWebView2(&webview)) || webview == nullptr) {
    return;
  }
  ICoreWebView2Settings *settings = nullptr;
  if (SUCCEEDED(webview->get_Settings(&settings)) && settings != nullptr) {
    settings->put_AreDevToolsEnabled(FALSE);
    settings->put_IsStatusBarEnabled(FALSE);
    settings->put_IsZoomControlEnabled(TRUE);
    settings->Release();
  }
  EventRegistrationToken token{};
  using title_hook = Ev<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2 *, IUnknown *>;
  webview->add_DocumentTitleChanged(new title_hook([window](ICoreWebView2 *sender, IUnknown *) {
                                      return on_title_changed(window, sender);
                                    }),
                                    &token);
  using navigation_hook = Ev<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2 *,
                             ICoreWebView2NavigationCompletedEventArgs *>;
  webview->add_NavigationCompleted(
      new navigation_hook(
          [start_url](ICoreWebView2 *sender, ICoreWebView2NavigationCompletedEventArgs *args) {
            return on_navigation_completed(sender, args, start_url);
          }),
      &token);
  webview->Release();
}

} // namespace zorvel

#endif
