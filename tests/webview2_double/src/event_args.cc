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
