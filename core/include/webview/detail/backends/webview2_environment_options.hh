// The options the engine creates every browser environment with: single sign-on with the
// account the user signed in to Windows with (work and school accounts need it for device
// checks), everything else as WebView2's own defaults. Every environment of the process gets
// the same options, so a replacement browser or a second start never conflicts with a browser
// that is still running on the same profile.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_ENVIRONMENT_OPTIONS_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_ENVIRONMENT_OPTIONS_HH

#include "webview2_interfaces.hh"

#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <cwchar>
#include <optional>
#include <string>

namespace webview {
namespace detail {

// The oldest runtime whose interfaces the engine relies on (the build it checks for).
constexpr const wchar_t *webview2_target_browser_version = L"99.0.1150.38";

class webview2_environment_options final : public ICoreWebView2EnvironmentOptions {
public:
  // Starts with one reference, owned by the creator.
  webview2_environment_options() = default;
  webview2_environment_options(const webview2_environment_options &) = delete;
  webview2_environment_options &operator=(const webview2_environment_options &) = delete;

  // Only the interfaces it implements: later option interfaces derive from IUnknown, and
  // answering them with this object would hand out the wrong vtable.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ICoreWebView2EnvironmentOptions)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<ICoreWebView2EnvironmentOptions *>(this);
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

  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR *value) override {
    return copy_out(arguments_, value);
  }
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
    return store(arguments_, value);
  }
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR *value) override {
    return copy_out(language_, value);
  }
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override { return store(language_, value); }
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR *value) override {
    return copy_out(target_version_, value);
  }
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
    return store(target_version_, value);
  }
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL *allow) override {
    if (allow == nullptr) {
      return E_POINTER;
    }
    *allow = single_sign_on_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override {
    single_sign_on_ = allow;
    return S_OK;
  }

private:
  ~webview2_environment_options() = default;

  // A text the runtime frees with CoTaskMemFree; null when it was never set.
  static HRESULT copy_out(const std::optional<std::wstring> &text, LPWSTR *value) {
    if (value == nullptr) {
      return E_POINTER;
    }
    *value = nullptr;
    if (!text) {
      return S_OK;
    }
    const std::size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    *value = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*value == nullptr) {
      return E_OUTOFMEMORY;
    }
    std::wmemcpy(*value, text->c_str(), text->size() + 1);
    return S_OK;
  }

  static HRESULT store(std::optional<std::wstring> &text, LPCWSTR value) {
    if (value == nullptr) {
      text.reset();
    } else {
      text = value;
    }
    return S_OK;
  }

  std::atomic<ULONG> count_{1};
  std::optional<std::wstring> arguments_;
  std::optional<std::wstring> language_;
  std::optional<std::wstring> target_version_{webview2_target_browser_version};
  BOOL single_sign_on_ = TRUE;
};

} // namespace detail
} // namespace webview

#endif
