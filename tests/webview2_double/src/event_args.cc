#include "event_args.hh"

#include "out_param.hh"

#include <cstdio>
#include <utility>

namespace wv2d {
namespace {

// `text` as a JSON string literal.
std::wstring json_string(const std::wstring &text) {
  std::wstring json = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      json += L'\\';
      json += c;
    } else if (c < 0x20) {
      wchar_t escaped[8];
      std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + L"\"";
}

} // namespace

WebMessageReceivedEventArgs::WebMessageReceivedEventArgs(std::wstring source, std::wstring message,
                                                         bool is_json)
    : source_(std::move(source)), message_(std::move(message)), is_json_(is_json) {}

HRESULT STDMETHODCALLTYPE WebMessageReceivedEventArgs::get_Source(LPWSTR *value) {
  return get_text("WebMessageReceivedEventArgs::get_Source", value, source_);
}

HRESULT STDMETHODCALLTYPE WebMessageReceivedEventArgs::get_WebMessageAsJson(LPWSTR *value) {
  return get_text("get_WebMessageAsJson", value, is_json_ ? message_ : json_string(message_));
}

HRESULT STDMETHODCALLTYPE WebMessageReceivedEventArgs::TryGetWebMessageAsString(LPWSTR *value) {
  if (const auto result = begin_getter<LPWSTR>("TryGetWebMessageAsString", value, nullptr)) {
    return *result;
  }
  if (is_json_) {
    return E_INVALIDARG;
  }
  *value = co_task_copy(message_);
  return *value ? S_OK : E_OUTOFMEMORY;
}

PermissionRequestedEventArgs::PermissionRequestedEventArgs(std::wstring uri,
                                                           COREWEBVIEW2_PERMISSION_KIND kind)
    : uri_(std::move(uri)), kind_(kind) {}

HRESULT STDMETHODCALLTYPE PermissionRequestedEventArgs::get_Uri(LPWSTR *uri) {
  return get_text("get_Uri", uri, uri_);
}

HRESULT STDMETHODCALLTYPE
PermissionRequestedEventArgs::get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND *kind) {
  return get_value("get_PermissionKind", kind, kind_);
}

HRESULT STDMETHODCALLTYPE PermissionRequestedEventArgs::get_IsUserInitiated(BOOL *user_initiated) {
  return get_value<BOOL>("get_IsUserInitiated", user_initiated, TRUE);
}

HRESULT STDMETHODCALLTYPE
PermissionRequestedEventArgs::get_State(COREWEBVIEW2_PERMISSION_STATE *state) {
  return get_value("get_State", state, state_);
}

HRESULT STDMETHODCALLTYPE
PermissionRequestedEventArgs::put_State(COREWEBVIEW2_PERMISSION_STATE state) {
  if (const auto fault = record_call("put_State", {Field::number(state)})) {
    return *fault;
  }
  state_ = state;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
PermissionRequestedEventArgs::GetDeferral(ICoreWebView2Deferral **deferral) {
  if (const auto result = begin_getter<ICoreWebView2Deferral *>("GetDeferral", deferral, nullptr)) {
    return *result;
  }
  return E_NOTIMPL;
}

ProcessFailedEventArgs::ProcessFailedEventArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind)
    : kind_(kind) {}

HRESULT STDMETHODCALLTYPE
ProcessFailedEventArgs::get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND *kind) {
  return get_value("get_ProcessFailedKind", kind, kind_);
}

Deferral::Deferral(std::function<void()> on_complete) : on_complete_(std::move(on_complete)) {}

HRESULT STDMETHODCALLTYPE Deferral::Complete() {
  if (const auto fault = record_call("Complete", {})) {
    return *fault;
  }
  if (!on_complete_) {
    return E_UNEXPECTED; // completed already
  }
  std::function<void()> done = std::move(on_complete_);
  on_complete_ = nullptr;
  done();
  return S_OK;
}

ScriptDialogOpeningEventArgs::ScriptDialogOpeningEventArgs(std::wstring uri,
                                                           COREWEBVIEW2_SCRIPT_DIALOG_KIND kind,
                                                           std::wstring message,
                                                           std::wstring default_text,
                                                           ScriptDialogAnswer answered)
    : uri_(std::move(uri)), kind_(kind), message_(std::move(message)),
      default_text_(std::move(default_text)), answered_(std::move(answered)) {}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::get_Uri(LPWSTR *uri) {
  return get_text("get_Uri", uri, uri_);
}

HRESULT STDMETHODCALLTYPE
ScriptDialogOpeningEventArgs::get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND *kind) {
  return get_value("get_Kind", kind, kind_);
}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::get_Message(LPWSTR *message) {
  return get_text("get_Message", message, message_);
}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::Accept() {
  if (const auto fault = record_call("Accept", {})) {
    return *fault;
  }
  accepted_ = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::get_DefaultText(LPWSTR *text) {
  return get_text("get_DefaultText", text, default_text_);
}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::get_ResultText(LPWSTR *text) {
  return get_text("get_ResultText", text, result_text_);
}

HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventArgs::put_ResultText(LPCWSTR text) {
  if (const auto fault = record_call("put_ResultText", {Field::text(text)})) {
    return *fault;
  }
  result_text_ = text ? text : L"";
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
ScriptDialogOpeningEventArgs::GetDeferral(ICoreWebView2Deferral **deferral) {
  if (const auto result = begin_getter<ICoreWebView2Deferral *>("GetDeferral", deferral, nullptr)) {
    return *result;
  }
  if (!deferral) {
    return E_POINTER;
  }
  if (deferred_) {
    return E_UNEXPECTED;
  }
  deferred_ = true;
  // The deferral holds the arguments: the answer may be read when it completes.
  const ComPtr<ScriptDialogOpeningEventArgs> self(this);
  const auto made = make_object<Deferral>([self] { self->answer(); });
  made->AddRef();
  *deferral = made.get();
  return S_OK;
}

void ScriptDialogOpeningEventArgs::answer() {
  log_callback("ScriptDialogAnswered", {Field::number(accepted_ ? 1 : 0)});
  if (answered_) {
    const ScriptDialogAnswer answered = std::move(answered_);
    answered_ = nullptr;
    answered(accepted_, result_text_);
  }
}

NavigationStartingEventArgs::NavigationStartingEventArgs(std::wstring uri, UINT64 navigation_id)
    : uri_(std::move(uri)), navigation_id_(navigation_id) {}

HRESULT STDMETHODCALLTYPE NavigationStartingEventArgs::get_Uri(LPWSTR *uri) {
  return get_text("get_Uri", uri, uri_);
}

HRESULT STDMETHODCALLTYPE
NavigationStartingEventArgs::get_IsUserInitiated(BOOL *is_user_initiated) {
  return get_value<BOOL>("get_IsUserInitiated", is_user_initiated, FALSE);
}

HRESULT STDMETHODCALLTYPE NavigationStartingEventArgs::get_IsRedirected(BOOL *is_redirected) {
  return get_value<BOOL>("get_IsRedirected", is_redirected, FALSE);
}

HRESULT STDMETHODCALLTYPE
NavigationStartingEventArgs::get_RequestHeaders(ICoreWebView2HttpRequestHeaders **request_headers) {
  if (const auto result = begin_getter<ICoreWebView2HttpRequestHeaders *>(
          "get_RequestHeaders", request_headers, nullptr)) {
    return *result;
  }
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE NavigationStartingEventArgs::get_Cancel(BOOL *cancel) {
  return get_value("get_Cancel", cancel, cancel_);
}

HRESULT STDMETHODCALLTYPE NavigationStartingEventArgs::put_Cancel(BOOL cancel) {
  if (const auto fault = record_call("put_Cancel", {Field::number(cancel)})) {
    return *fault;
  }
  cancel_ = cancel;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE NavigationStartingEventArgs::get_NavigationId(UINT64 *navigation_id) {
  return get_value("get_NavigationId", navigation_id, navigation_id_);
}

NavigationCompletedEventArgs::NavigationCompletedEventArgs(BOOL is_success,
                                                           COREWEBVIEW2_WEB_ERROR_STATUS status,
                                                           UINT64 navigation_id)
    : is_success_(is_success), status_(status), navigation_id_(navigation_id) {}

HRESULT STDMETHODCALLTYPE NavigationCompletedEventArgs::get_IsSuccess(BOOL *is_success) {
  return get_value("get_IsSuccess", is_success, is_success_);
}

HRESULT STDMETHODCALLTYPE
NavigationCompletedEventArgs::get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS *status) {
  return get_value("get_WebErrorStatus", status, status_);
}

HRESULT STDMETHODCALLTYPE NavigationCompletedEventArgs::get_NavigationId(UINT64 *navigation_id) {
  return get_value("get_NavigationId", navigation_id, navigation_id_);
}

} // namespace wv2d
