// A WebView2 event handler made from a callable, for the events the engine follows besides web
// messages and permission requests. No exception leaves Invoke: the event is then dropped.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_EVENT_HANDLER_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_EVENT_HANDLER_HH

#include "webview2_interfaces.hh"

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

namespace webview {
namespace detail {

template <typename I, const IID &iid, typename S, typename A>
class webview2_event_handler final : public I {
public:
  using callback = std::function<void(S, A)>;

  // Starts with one reference, owned by the creator.
  explicit webview2_event_handler(callback fn) : fn_(std::move(fn)) {}
  webview2_event_handler(const webview2_event_handler &) = delete;
  webview2_event_handler &operator=(const webview2_event_handler &) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (!IsEqualIID(id, iid) && !IsEqualIID(id, IID_IUnknown)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<I *>(this);
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
  HRESULT STDMETHODCALLTYPE Invoke(S sender, A args) override {
    try {
      if (fn_) {
        fn_(sender, args);
      }
    } catch (...) {
    }
    return S_OK;
  }

  // The owner is going away; later events reach nothing of it.
  void disconnect() { fn_ = nullptr; }

private:
  ~webview2_event_handler() = default;
  callback fn_;
  std::atomic<ULONG> count_{1};
};

using webview2_process_failed_handler =
    webview2_event_handler<ICoreWebView2ProcessFailedEventHandler,
                           IID_ICoreWebView2ProcessFailedEventHandler, ICoreWebView2 *,
                           ICoreWebView2ProcessFailedEventArgs *>;
using webview2_script_dialog_handler =
    webview2_event_handler<ICoreWebView2ScriptDialogOpeningEventHandler,
                           IID_ICoreWebView2ScriptDialogOpeningEventHandler, ICoreWebView2 *,
                           ICoreWebView2ScriptDialogOpeningEventArgs *>;
using webview2_navigation_starting_handler =
    webview2_event_handler<ICoreWebView2NavigationStartingEventHandler,
                           IID_ICoreWebView2NavigationStartingEventHandler, ICoreWebView2 *,
                           ICoreWebView2NavigationStartingEventArgs *>;
using webview2_navigation_completed_handler =
    webview2_event_handler<ICoreWebView2NavigationCompletedEventHandler,
                           IID_ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2 *,
                           ICoreWebView2NavigationCompletedEventArgs *>;
using webview2_new_window_requested_handler =
    webview2_event_handler<ICoreWebView2NewWindowRequestedEventHandler,
                           IID_ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2 *,
                           ICoreWebView2NewWindowRequestedEventArgs *>;
using webview2_window_close_requested_handler =
    webview2_event_handler<ICoreWebView2WindowCloseRequestedEventHandler,
                           IID_ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2 *,
                           IUnknown *>;

} // namespace detail
} // namespace webview

#endif
