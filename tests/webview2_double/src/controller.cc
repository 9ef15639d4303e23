#include "controller.hh"

#include "out_param.hh"

#include <algorithm>
#include <mutex>
#include <vector>

namespace wv2d {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<Controller *> controllers; // in creation order
};

// Never destroyed: controllers may outlive static objects.
Registry &registry() {
  static Registry *instance = new Registry;
  return *instance;
}

} // namespace

Controller::Controller(HWND parent, unsigned environment)
    : parent_(parent), web_view_(make_object<WebView>(environment)) {
  Registry &r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.controllers.push_back(this);
}

Controller::~Controller() {
  {
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.controllers.erase(std::remove(r.controllers.begin(), r.controllers.end(), this),
                        r.controllers.end());
  }
  close_all();
}

ComPtr<Controller> Controller::newest_open() {
  Registry &r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto it = r.controllers.rbegin(); it != r.controllers.rend(); ++it) {
    if (!(*it)->web_view_->closed()) {
      return ComPtr<Controller>(*it);
    }
  }
  return {};
}

ComPtr<Controller> Controller::owning(const ICoreWebView2 *view) {
  Registry &r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (Controller *controller : r.controllers) {
    if (view && static_cast<const ICoreWebView2 *>(controller->web_view_.get()) == view) {
      return ComPtr<Controller>(controller);
    }
  }
  return {};
}

void Controller::close_all() {
#define WV2D_CLEAR_EVENT(Name, Handler) Name##_.clear();
  WV2D_CONTROLLER_EVENTS(WV2D_CLEAR_EVENT)
#undef WV2D_CLEAR_EVENT
  web_view_->close();
}

HRESULT STDMETHODCALLTYPE Controller::get_IsVisible(BOOL *visible) {
  return get_value("get_IsVisible", visible, visible_);
}

HRESULT STDMETHODCALLTYPE Controller::put_IsVisible(BOOL visible) {
  if (const auto fault = record_call("put_IsVisible", {Field::number(visible)})) {
    return *fault;
  }
  visible_ = visible;
  if (PageBackend *page = web_view_->page()) {
    page->set_visible(visible != FALSE);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_Bounds(RECT *bounds) {
  return get_value("get_Bounds", bounds, bounds_);
}

HRESULT STDMETHODCALLTYPE Controller::put_Bounds(RECT bounds) {
  if (const auto fault =
          record_call("put_Bounds", {Field::number(bounds.left), Field::number(bounds.top),
                                     Field::number(bounds.right), Field::number(bounds.bottom)})) {
    return *fault;
  }
  bounds_ = bounds;
  if (PageBackend *page = web_view_->page()) {
    page->set_bounds(bounds);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_ZoomFactor(double *zoom) {
  return get_value("get_ZoomFactor", zoom, zoom_);
}

HRESULT STDMETHODCALLTYPE Controller::put_ZoomFactor(double zoom) {
  if (const auto fault = record_call("put_ZoomFactor", {Field::real(zoom)})) {
    return *fault;
  }
  zoom_ = zoom;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::SetBoundsAndZoomFactor(RECT bounds, double zoom) {
  if (const auto fault = record_call("SetBoundsAndZoomFactor",
                                     {Field::number(bounds.left), Field::number(bounds.top),
                                      Field::number(bounds.right), Field::number(bounds.bottom),
                                      Field::real(zoom)})) {
    return *fault;
  }
  bounds_ = bounds;
  zoom_ = zoom;
  if (PageBackend *page = web_view_->page()) {
    page->set_bounds(bounds);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
  if (const auto fault = record_call("MoveFocus", {Field::number(reason)})) {
    return *fault;
  }
  if (PageBackend *page = web_view_->page()) {
    page->move_focus();
  } else if (IsWindowVisible(parent_) &&
             GetWindowThreadProcessId(parent_, nullptr) == GetCurrentThreadId()) {
    // The keyboard focus goes into the browser, which fills the parent window; a hidden window
    // cannot take it.
    SetFocus(parent_);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_ParentWindow(HWND *parent) {
  return get_value("get_ParentWindow", parent, parent_);
}

HRESULT STDMETHODCALLTYPE Controller::put_ParentWindow(HWND parent) {
  if (const auto fault = record_call("put_ParentWindow", {Field::handle(parent)})) {
    return *fault;
  }
  parent_ = parent;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::NotifyParentWindowPositionChanged() {
  if (const auto fault = record_call("NotifyParentWindowPositionChanged", {})) {
    return *fault;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::Close() {
  if (const auto fault = record_call("Close", {})) {
    return *fault;
  }
  const ComPtr<Controller> self(this); // releasing a handler may release this controller
  close_all();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_CoreWebView2(ICoreWebView2 **web_view) {
  if (const auto result = begin_getter<ICoreWebView2 *>("get_CoreWebView2", web_view, nullptr)) {
    return *result;
  }
  web_view_->AddRef();
  *web_view = web_view_.get();
  return S_OK;
}

#define WV2D_DEFINE_EVENT(Name, Handler)                                                           \
  HRESULT STDMETHODCALLTYPE Controller::add_##Name(Handler *handler,                               \
                                                   EventRegistrationToken *token) {                \
    if (const auto fault = record_call("add_" #Name, {})) {                                        \
      return *fault;                                                                               \
    }                                                                                              \
    return Name##_.add(handler, token);                                                            \
  }                                                                                                \
  HRESULT STDMETHODCALLTYPE Controller::remove_##Name(EventRegistrationToken token) {              \
    if (const auto fault = record_call("remove_" #Name, {Field::number(token.value)})) {           \
      return *fault;                                                                               \
    }                                                                                              \
    Name##_.remove(token);                                                                         \
    return S_OK;                                                                                   \
  }
WV2D_CONTROLLER_EVENTS(WV2D_DEFINE_EVENT)
#undef WV2D_DEFINE_EVENT

} // namespace wv2d
