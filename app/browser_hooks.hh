// The shell's hooks on browser events: the window title follows the page, and a load that fails
// for lack of a network shows the offline page.
#ifndef ZORVEL_APP_BROWSER_HOOKS_HH
#define ZORVEL_APP_BROWSER_HOOKS_HH

#include "app_texts.hh"
#include "offline_page.hh"
#include "page_rules.hh"
#include "shell_text.hh"

#include <webview/detail/backends/com_ref.hh>
#include <webview/detail/backends/webview2_event_handler.hh>
#include <webview/detail/backends/webview2_interfaces.hh>

#include <windows.h>

#include <string>

namespace zorvel {

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

// Adjusts the browser's settings and attaches the title hook and, unless `offline_page` is off
// (a page that is not the suite's), the offline page; the browser holds them from then on.
inline void attach_browser_hooks(ICoreWebView2Controller *controller, HWND window,
                                 const std::string &start_url, bool offline_page = true) {
  using webview::detail::com_ref;
  ICoreWebView2 *webview_out = nullptr;
  const HRESULT got_webview = controller->get_CoreWebView2(&webview_out);
  const auto webview = com_ref<ICoreWebView2>::adopt(webview_out);
  if (FAILED(got_webview) || !webview) {
    return;
  }
  ICoreWebView2Settings *settings_out = nullptr;
  const HRESULT got_settings = webview->get_Settings(&settings_out);
  const auto settings = com_ref<ICoreWebView2Settings>::adopt(settings_out);
  if (SUCCEEDED(got_settings) && settings) {
    settings->put_AreDevToolsEnabled(FALSE);
    settings->put_IsStatusBarEnabled(FALSE);
    settings->put_IsZoomControlEnabled(TRUE);
  }
  // The browser keeps its own references to the hooks; ours go at the end of this scope.
  EventRegistrationToken token{};
  using title_hook =
      webview::detail::webview2_event_handler<ICoreWebView2DocumentTitleChangedEventHandler,
                                              IID_ICoreWebView2DocumentTitleChangedEventHandler,
                                              ICoreWebView2 *, IUnknown *>;
  const auto title = com_ref<title_hook>::adopt(new title_hook(
      [window](ICoreWebView2 *sender, IUnknown *) { on_title_changed(window, sender); }));
  webview->add_DocumentTitleChanged(title.get(), &token);
  if (!offline_page) {
    return;
  }
  using navigation_hook = webview::detail::webview2_navigation_completed_handler;
  const auto navigation = com_ref<navigation_hook>::adopt(new navigation_hook(
      [start_url](ICoreWebView2 *sender, ICoreWebView2NavigationCompletedEventArgs *args) {
        on_navigation_completed(sender, args, start_url);
      }));
  webview->add_NavigationCompleted(navigation.get(), &token);
}

} // namespace zorvel

#endif
