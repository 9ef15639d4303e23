// The arguments of NewWindowRequested, and how the request settles (webview2-semantics.md §3).
//
// put_NewWindow takes a web view of the opener's environment that has never been navigated, once;
// anything else is refused with an error and a note in the log. The request settles when the
// handlers return, or, after GetDeferral, at the deferral's Complete. Settling logs what WebView2
// does with it, one line each:
//
//   NewWindow given              -> NewWindowOpened HWND URI (HWND: the given web view's parent
//                                   window); without Handled the runtime opens its own popup as
//                                   well: # note, then -> DefaultPopup URI
//   Handled TRUE, no NewWindow   -> NewWindowHandled URI (the opener's window loads nothing)
//   neither                      -> DefaultPopup URI (WebView2's own popup window)
//
// then hands the decision on.

#ifndef WV2D_NEW_WINDOW_REQUEST_HH
#define WV2D_NEW_WINDOW_REQUEST_HH

#include "com_object.hh"
#include "window_features.hh"

#include "webview2_double.h"

#include <functional>
#include <string>
#include <vector>

namespace wv2d {

class WebView;

// What the handlers decided: the web view that becomes the new window (null: none), Handled, and
// the scripts of that web view whose addition had completed when it was given: only those run in
// its first document (a script added after put_NewWindow misses it, webview2-semantics.md §3
// item 5).
struct NewWindowDecision {
  ComPtr<WebView> new_window;
  bool handled = false;
  std::vector<std::wstring> first_document_scripts;
};
using NewWindowSettled = std::function<void(const NewWindowDecision &)>;

class NewWindowRequestedEventArgs final
    : public ComObject<ICoreWebView2NewWindowRequestedEventArgs> {
public:
  // `environment` is the opener's environment (Environment::serial).
  NewWindowRequestedEventArgs(std::wstring uri, const WindowFeatureValues &features,
                              bool user_initiated, unsigned environment, NewWindowSettled settled);
  ~NewWindowRequestedEventArgs() override;

  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) override;
  HRESULT STDMETHODCALLTYPE put_NewWindow(::ICoreWebView2 *new_window) override;
  HRESULT STDMETHODCALLTYPE get_NewWindow(::ICoreWebView2 **new_window) override;
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override;
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL *handled) override;
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *is_user_initiated) override;
  HRESULT STDMETHODCALLTYPE GetDeferral(::ICoreWebView2Deferral **deferral) override;
  HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures **value) override;

  bool deferred() const { return deferred_; }
  // Logs the outcome and hands the decision on; only the first call does anything.
  void settle();

private:
  // Notes why put_NewWindow refuses and returns its error.
  HRESULT refuse(const char *why, HRESULT result);

  const std::wstring uri_;
  const WindowFeatureValues features_;
  const bool user_initiated_;
  const unsigned environment_;
  NewWindowSettled settled_callback_;
  ComPtr<WebView> new_window_;
  HWND new_window_parent_ = nullptr;
  std::vector<std::wstring> first_document_scripts_;
  BOOL handled_ = FALSE;
  bool deferred_ = false;
  bool settled_ = false;
};

} // namespace wv2d

#endif // WV2D_NEW_WINDOW_REQUEST_HH
