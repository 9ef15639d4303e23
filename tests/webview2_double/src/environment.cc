#include "environment.hh"

#include "callback_queue.hh"
#include "controller.hh"
#include "out_param.hh"
#include "page_backend.hh"
#include "version.hh"

#include <atomic>
#include <utility>

namespace wv2d {
namespace {
std::atomic<unsigned> last_serial{0};
} // namespace

HRESULT
start_environment_creation(const std::wstring &user_data_folder,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler) {
  queue_callback(
      [handler = ComPtr(handler), user_data_folder] {
        if (const auto fault = take_fault("EnvironmentCompleted")) {
          log_callback("EnvironmentCompleted", {Field::hresult(*fault), Field::object(nullptr)});
          handler->Invoke(*fault, nullptr);
          return;
        }
        const auto environment = make_object<Environment>(user_data_folder);
        log_callback("EnvironmentCompleted",
                     {Field::hresult(S_OK), Field::object(environment.get())});
        handler->Invoke(S_OK, environment.get());
      },
      completion_delay("EnvironmentCompleted"));
  return S_OK;
}

Environment::Environment(std::wstring user_data_folder)
    : user_data_folder_(std::move(user_data_folder)), serial_(++last_serial) {}

HRESULT STDMETHODCALLTYPE Environment::CreateCoreWebView2Controller(
    HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler *handler) {
  if (const auto fault = record_call("CreateCoreWebView2Controller", {Field::handle(parent)})) {
    return *fault;
  }
  if (!parent || !handler) {
    return E_INVALIDARG;
  }
  queue_callback(
      [parent, handler = ComPtr(handler), environment = serial_] {
        HRESULT result = S_OK;
        if (const auto fault = take_fault("ControllerCompleted")) {
          result = *fault;
        } else if (parent != HWND_MESSAGE && !IsWindow(parent)) {
          result = E_ABORT; // the parent window was destroyed before creation finished
        } else if (const PageBackendFactory factory = page_backend_factory()) {
          // The controller is handed over once its page is ready.
          auto controller = make_object<Controller>(parent, environment);
          WebView *view = controller->web_view();
          factory(parent, view, [controller, handler](std::unique_ptr<PageBackend> page) {
            if (!page) {
              log_callback("ControllerCompleted", {Field::hresult(E_FAIL), Field::object(nullptr)});
              handler->Invoke(E_FAIL, nullptr);
              return;
            }
            controller->web_view()->attach(std::move(page));
            log_callback("ControllerCompleted",
                         {Field::hresult(S_OK), Field::object(controller.get())});
            handler->Invoke(S_OK, controller.get());
          });
          return;
        } else {
          const auto controller = make_object<Controller>(parent, environment);
          log_callback("ControllerCompleted",
                       {Field::hresult(S_OK), Field::object(controller.get())});
          handler->Invoke(S_OK, controller.get());
          return;
        }
        log_callback("ControllerCompleted", {Field::hresult(result), Field::object(nullptr)});
        handler->Invoke(result, nullptr);
      },
      completion_delay("ControllerCompleted"));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::CreateWebResourceResponse(
    IStream *content, int status_code, LPCWSTR reason_phrase, LPCWSTR headers,
    ICoreWebView2WebResourceResponse **response) {
  if (response) {
    *response = nullptr;
  }
  if (const auto fault = record_call("CreateWebResourceResponse",
                                     {Field::object(content), Field::number(status_code),
                                      Field::text(reason_phrase), Field::text(headers)})) {
    return *fault;
  }
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Environment::get_BrowserVersionString(LPWSTR *version) {
  return get_text("get_BrowserVersionString", version, browser_version());
}

HRESULT STDMETHODCALLTYPE Environment::add_NewBrowserVersionAvailable(
    ICoreWebView2NewBrowserVersionAvailableEventHandler *handler, EventRegistrationToken *token) {
  if (const auto fault = record_call("add_NewBrowserVersionAvailable", {})) {
    return *fault;
  }
  return NewBrowserVersionAvailable_.add(handler, token);
}

HRESULT STDMETHODCALLTYPE
Environment::remove_NewBrowserVersionAvailable(EventRegistrationToken token) {
  if (const auto fault =
          record_call("remove_NewBrowserVersionAvailable", {Field::number(token.value)})) {
    return *fault;
  }
  NewBrowserVersionAvailable_.remove(token);
  return S_OK;
}

} // namespace wv2d
