// Arguments of the events the double raises. Every method is logged under its own name, except
// the web-message source getter, logged as "WebMessageReceivedEventArgs::get_Source" to tell it
// apart from ICoreWebView2::get_Source.

#ifndef WV2D_EVENT_ARGS_HH
#define WV2D_EVENT_ARGS_HH

#include "com_object.hh"

#include <string>

namespace wv2d {

// A web message: either a string (TryGetWebMessageAsString gives it, get_WebMessageAsJson its
// JSON string literal) or any other JSON value (TryGetWebMessageAsString fails with E_INVALIDARG).
class WebMessageReceivedEventArgs final
    : public ComObject<ICoreWebView2WebMessageReceivedEventArgs> {
public:
  WebMessageReceivedEventArgs(std::wstring source, std::wstring message, bool is_json);

  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR *value) override;
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR *value) override;
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR *value) override;

private:
  const std::wstring source_;
  const std::wstring message_;
  const bool is_json_;
};

// A permission request; put_State records the program's answer, which state() reports.
class PermissionRequestedEventArgs final
    : public ComObject<ICoreWebView2PermissionRequestedEventArgs> {
public:
  PermissionRequestedEventArgs(std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind);

  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) override;
  HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND *kind) override;
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *user_initiated) override;
  HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE *state) override;
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override;
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) override;

  COREWEBVIEW2_PERMISSION_STATE state() const { return state_; }

private:
  const std::wstring uri_;
  const COREWEBVIEW2_PERMISSION_KIND kind_;
  COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class NavigationCompletedEventArgs final
    : public ComObject<ICoreWebView2NavigationCompletedEventArgs> {
public:
  NavigationCompletedEventArgs(BOOL is_success, COREWEBVIEW2_WEB_ERROR_STATUS status,
                               UINT64 navigation_id);

  HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL *is_success) override;
  HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS *status) override;
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64 *navigation_id) override;

private:
  const BOOL is_success_;
  const COREWEBVIEW2_WEB_ERROR_STATUS status_;
  const UINT64 navigation_id_;
};

} // namespace wv2d

#endif // WV2D_EVENT_ARGS_HH
