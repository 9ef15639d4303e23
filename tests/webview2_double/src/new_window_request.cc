#include "new_window_request.hh"

#include "controller.hh"
#include "event_args.hh"
#include "out_param.hh"

#include <utility>

namespace wv2d {

NewWindowRequestedEventArgs::NewWindowRequestedEventArgs(std::wstring uri,
                                                         const WindowFeatureValues &features,
                                                         bool user_initiated, unsigned environment,
                                                         NewWindowSettled settled)
    : uri_(std::move(uri)), features_(features), user_initiated_(user_initiated),
      environment_(environment), settled_callback_(std::move(settled)) {}

NewWindowRequestedEventArgs::~NewWindowRequestedEventArgs() = default;

HRESULT STDMETHODCALLTYPE NewWindowRequestedEventArgs::get_Uri(LPWSTR *uri) {
  return get_text("get_Uri", uri, uri_);
}

HRESULT NewWindowRequestedEventArgs::refuse(const char *why, HRESULT result) {
  log_note(std::string("NewWindow refused: ") + why);
  return result;
}

HRESULT STDMETHODCALLTYPE NewWindowRequestedEventArgs::put_NewWindow(::ICoreWebView2 *new_window) {
  if (const auto fault = record_call("put_NewWindow", {Field::object(new_window)})) {
    return *fault;
  }
  if (settled_) {
    return refuse("the request is settled", E_UNEXPECTED);
  }
  if (new_window_) {
    return refuse("set already", E_UNEXPECTED);
  }
  const ComPtr<Controller> owner = Controller::owning(new_window);
  if (!owner || owner->web_view()->environment() != environment_) {
    return refuse("a web view of another environment", E_INVALIDARG);
  }
  if (owner->web_view()->closed()) {
    return refuse("the web view is closed", E_INVALIDARG);
  }
  if (owner->web_view()->navigated()) {
    return refuse("the web view has been navigated", E_INVALIDARG);
  }
  new_window_ = ComPtr<WebView>(owner->web_view());
  new_window_parent_ = owner->parent();
  first_document_scripts_ = new_window_->script_ids();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowRequestedEventArgs::get_NewWindow(::ICoreWebView2 **new_window) {
  if (const auto result = begin_getter<::ICoreWebView2 *>("get_NewWindow", new_window, nullptr)) {
    return *result;
  }
  if (new_window_) {
    new_window_->AddRef();
    *new_window = new_window_.get();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowRequestedEventArgs::put_Handled(BOOL handled) {
  if (const auto fault = record_call("put_Handled", {Field::number(handled)})) {
    return *fault;
  }
  handled_ = handled;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowRequestedEventArgs::get_Handled(BOOL *handled) {
  return get_value("get_Handled", handled, handled_);
}

HRESULT STDMETHODCALLTYPE
NewWindowRequestedEventArgs::get_IsUserInitiated(BOOL *is_user_initiated) {
  return get_value<BOOL>("get_IsUserInitiated", is_user_initiated, user_initiated_ ? TRUE : FALSE);
}

HRESULT STDMETHODCALLTYPE
NewWindowRequestedEventArgs::GetDeferral(::ICoreWebView2Deferral **deferral) {
  if (const auto result =
          begin_getter<::ICoreWebView2Deferral *>("GetDeferral", deferral, nullptr)) {
    return *result;
  }
  if (deferred_ || settled_) {
    return E_UNEXPECTED;
  }
  deferred_ = true;
  const ComPtr<NewWindowRequestedEventArgs> self(this);
  const auto made = make_object<Deferral>([self] { self->settle(); });
  made->AddRef();
  *deferral = made.get();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
NewWindowRequestedEventArgs::get_WindowFeatures(ICoreWebView2WindowFeatures **value) {
  if (const auto result =
          begin_getter<ICoreWebView2WindowFeatures *>("get_WindowFeatures", value, nullptr)) {
    return *result;
  }
  const auto features = make_object<WindowFeatures>(features_);
  features->AddRef();
  *value = features.get();
  return S_OK;
}

void NewWindowRequestedEventArgs::settle() {
  if (settled_) {
    return;
  }
  settled_ = true;
  if (new_window_) {
    log_callback("NewWindowOpened", {Field::handle(new_window_parent_), Field::text(uri_)});
    if (!handled_) {
      // "If either Handled or NewWindow properties are not set, the target content will be
      // opened on a popup window": an extra window besides the one given.
      log_note("NewWindow without Handled: WebView2 opens its own popup too");
      log_callback("DefaultPopup", {Field::text(uri_)});
    }
  } else {
    log_callback(handled_ ? "NewWindowHandled" : "DefaultPopup", {Field::text(uri_)});
  }
  NewWindowSettled settled = std::move(settled_callback_);
  settled_callback_ = nullptr;
  if (settled) {
    settled(NewWindowDecision{new_window_, handled_ != FALSE, first_document_scripts_});
  }
}

} // namespace wv2d
