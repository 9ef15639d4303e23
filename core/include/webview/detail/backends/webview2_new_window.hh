// A page's request for a new window (window.open, a link with a target), held open with the
// browser's deferral until the host has decided where it goes.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_NEW_WINDOW_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_NEW_WINDOW_HH

#include "com_ref.hh"
#include "webview2_com_handler.hh"
#include "webview2_interfaces.hh"

#include <windows.h>

#include <string>

namespace webview {
namespace detail {

// What the page asked for, read when the request arrives.
struct new_window_features {
  bool has_position = false;
  bool has_size = false;
  long left = 0, top = 0, width = 0, height = 0; // in the page's pixels
};

// The opener's script waits until the request is decided, at the latest when the last reference
// to it goes: a request nobody decided opens nothing (never the browser's own popup, which would
// have none of the host's settings, scripts or handlers).
class webview2_new_window_request {
public:
  explicit webview2_new_window_request(ICoreWebView2NewWindowRequestedEventArgs *args)
      : args_(com_ref<ICoreWebView2NewWindowRequestedEventArgs>::share(args)) {
    uri_ = take_browser_text([args](LPWSTR *uri) { return args->get_Uri(uri); });
    ICoreWebView2Deferral *deferral = nullptr;
    if (SUCCEEDED(args->GetDeferral(&deferral))) {
      deferral_ = com_ref<ICoreWebView2Deferral>::adopt(deferral);
    }
    ICoreWebView2WindowFeatures *features = nullptr;
    if (SUCCEEDED(args->get_WindowFeatures(&features)) && features != nullptr) {
      const auto held = com_ref<ICoreWebView2WindowFeatures>::adopt(features);
      features_.has_position = read_flag(held.get(), &ICoreWebView2WindowFeatures::get_HasPosition);
      features_.has_size = read_flag(held.get(), &ICoreWebView2WindowFeatures::get_HasSize);
      features_.left = read_number(held.get(), &ICoreWebView2WindowFeatures::get_Left);
      features_.top = read_number(held.get(), &ICoreWebView2WindowFeatures::get_Top);
      features_.width = read_number(held.get(), &ICoreWebView2WindowFeatures::get_Width);
      features_.height = read_number(held.get(), &ICoreWebView2WindowFeatures::get_Height);
    }
  }

  webview2_new_window_request(const webview2_new_window_request &) = delete;
  webview2_new_window_request &operator=(const webview2_new_window_request &) = delete;

  ~webview2_new_window_request() { handle(); }

  const std::string &uri() const noexcept { return uri_; }
  const new_window_features &features() const noexcept { return features_; }
  bool decided() const noexcept { return decided_; }

  // The page's window becomes `controller`'s web view, which must not have navigated yet; its
  // scripts must be in place already. False when the browser refused it (nothing opens then).
  bool open_in(ICoreWebView2Controller *controller) {
    if (decided_) {
      return false;
    }
    ICoreWebView2 *browser = nullptr;
    bool opened = false;
    if (controller != nullptr && SUCCEEDED(controller->get_CoreWebView2(&browser)) &&
        browser != nullptr) {
      const auto held = com_ref<ICoreWebView2>::adopt(browser);
      opened = SUCCEEDED(args_->put_NewWindow(held.get()));
    }
    handle();
    return opened;
  }

  // Decided: the page's window loads nothing (the host opened the address elsewhere, or not).
  void handle() {
    if (decided_) {
      return;
    }
    decided_ = true;
    args_->put_Handled(TRUE);
    if (deferral_) {
      deferral_->Complete();
      deferral_.reset();
    }
  }

private:
  template <typename Getter>
  static bool read_flag(ICoreWebView2WindowFeatures *features, Getter getter) {
    BOOL value = FALSE;
    return SUCCEEDED((features->*getter)(&value)) && value != FALSE;
  }

  template <typename Getter>
  static long read_number(ICoreWebView2WindowFeatures *features, Getter getter) {
    UINT32 value = 0;
    if (FAILED((features->*getter)(&value)) || value > 100000) {
      return 0; // no screen is that large: read as not given
    }
    return static_cast<long>(value);
  }

  com_ref<ICoreWebView2NewWindowRequestedEventArgs> args_;
  com_ref<ICoreWebView2Deferral> deferral_;
  std::string uri_;
  new_window_features features_;
  bool decided_ = false;
};

} // namespace detail
} // namespace webview

#endif
