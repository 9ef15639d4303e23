// Arguments of the events the double raises. Every method is logged under its own name, except
// the web-message source getter, logged as "WebMessageReceivedEventArgs::get_Source" to tell it
// apart from ICoreWebView2::get_Source.

#ifndef WV2D_EVENT_ARGS_HH
#define WV2D_EVENT_ARGS_HH

#include "com_object.hh"

#include <functional>
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

// A process of the browser failed.
class ProcessFailedEventArgs final : public ComObject<ICoreWebView2ProcessFailedEventArgs> {
public:
  explicit ProcessFailedEventArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind);

  HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND *kind) override;

private:
  const COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

// Answers a script dialog later; Complete is logged and runs the completion once.
class Deferral final : public ComObject<ICoreWebView2Deferral> {
public:
  explicit Deferral(std::function<void()> on_complete);

  HRESULT STDMETHODCALLTYPE Complete() override;

private:
  std::function<void()> on_complete_;
};

// The answer to a script dialog: accepted ("OK", "leave"), and the text a prompt returns.
using ScriptDialogAnswer = std::function<void(bool accepted, const std::wstring &result_text)>;

// A script dialog the page opens. Accept records the answer "OK" ("leave" for beforeunload);
// the dialog is answered when the handlers return, or, after GetDeferral, at Complete.
class ScriptDialogOpeningEventArgs final
    : public ComObject<ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
  ScriptDialogOpeningEventArgs(std::wstring uri, COREWEBVIEW2_SCRIPT_DIALOG_KIND kind,
                               std::wstring message, std::wstring default_text = {},
                               ScriptDialogAnswer answered = {});

  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) override;
  HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND *kind) override;
  HRESULT STDMETHODCALLTYPE get_Message(LPWSTR *message) override;
  HRESULT STDMETHODCALLTYPE Accept() override;
  HRESULT STDMETHODCALLTYPE get_DefaultText(LPWSTR *text) override;
  HRESULT STDMETHODCALLTYPE get_ResultText(LPWSTR *text) override;
  HRESULT STDMETHODCALLTYPE put_ResultText(LPCWSTR text) override;
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral **deferral) override;

  bool deferred() const { return deferred_; }
  // Logs the answer, "-> ScriptDialogAnswered 1" (accepted) or "0", and hands it on.
  void answer();

private:
  const std::wstring uri_;
  const COREWEBVIEW2_SCRIPT_DIALOG_KIND kind_;
  const std::wstring message_;
  const std::wstring default_text_;
  ScriptDialogAnswer answered_;
  std::wstring result_text_;
  bool accepted_ = false;
  bool deferred_ = false;
};

// A top-level navigation about to start. The double's navigations are neither started by the
// user nor redirected; request headers are not modelled (E_NOTIMPL). put_Cancel records whether
// a handler stopped the navigation, which canceled() reports.
class NavigationStartingEventArgs final
    : public ComObject<ICoreWebView2NavigationStartingEventArgs> {
public:
  NavigationStartingEventArgs(std::wstring uri, UINT64 navigation_id);

  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) override;
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *is_user_initiated) override;
  HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL *is_redirected) override;
  HRESULT STDMETHODCALLTYPE
  get_RequestHeaders(ICoreWebView2HttpRequestHeaders **request_headers) override;
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL *cancel) override;
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override;
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64 *navigation_id) override;

  bool canceled() const { return cancel_ != FALSE; }

private:
  const std::wstring uri_;
  const UINT64 navigation_id_;
  BOOL cancel_ = FALSE;
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
