#include "web_view.hh"

#include "callback_queue.hh"
#include "event_args.hh"
#include "out_param.hh"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace wv2d {
namespace {

std::atomic<unsigned> last_script_id{0};

constexpr std::size_t kMaxHtmlLength = 2 * 1024 * 1024;

std::wstring next_script_id() {
  return std::to_wstring(++last_script_id);
}

// Invokes every handler of `handlers` with (sender, args) and returns how many there were.
template <typename Handlers, typename Args>
int invoke_all(const Handlers &handlers, ICoreWebView2 *sender, Args *args) {
  for (const auto &handler : handlers) {
    handler->Invoke(sender, args);
  }
  return static_cast<int>(handlers.size());
}

// The common body of a method that only records the call and answers `result`.
HRESULT record_only(std::string_view name, std::initializer_list<Field> fields, HRESULT result) {
  if (const auto fault = record_call(name, fields)) {
    return *fault;
  }
  return result;
}

} // namespace

void reset_script_ids() {
  last_script_id = 0;
}

WebView::WebView(unsigned environment)
    : environment_(environment), settings_(make_object<Settings>()) {}

int WebView::raise_web_message(const std::wstring &message, bool is_json,
                               const std::optional<std::wstring> &source) {
  const ComPtr<WebView> self(this);
  const auto handlers = WebMessageReceived_.snapshot();
  log_callback("WebMessageReceived",
               {Field::word(is_json ? "json" : "text"), Field::text(message)});
  const auto args =
      make_object<WebMessageReceivedEventArgs>(source.value_or(source_), message, is_json);
  return invoke_all(handlers, this, args.get());
}

void WebView::load_document() {
  document_default_dialogs_ = settings_->default_script_dialogs_enabled();
  navigation_pending_ = false;
}

// The arguments object is not modelled: handlers receive null.
int WebView::raise_content_loading() {
  const ComPtr<WebView> self(this);
  load_document();
  const auto handlers = ContentLoading_.snapshot();
  log_callback("ContentLoading", {});
  return invoke_all(handlers, this, static_cast<ICoreWebView2ContentLoadingEventArgs *>(nullptr));
}

std::pair<int, bool> WebView::raise_navigation_starting(const std::optional<std::wstring> &uri) {
  const ComPtr<WebView> self(this);
  const auto handlers = NavigationStarting_.snapshot();
  const std::wstring address = uri.value_or(source_);
  log_callback("NavigationStarting", {Field::text(address)});
  const auto args = make_object<NavigationStartingEventArgs>(address, navigation_id_);
  const int count = invoke_all(handlers, this, args.get());
  if (args->canceled()) {
    log_callback("NavigationCanceled", {});
  }
  return {count, args->canceled()};
}

std::pair<int, COREWEBVIEW2_PERMISSION_STATE>
WebView::raise_permission_requested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring &uri) {
  const ComPtr<WebView> self(this);
  const auto handlers = PermissionRequested_.snapshot();
  log_callback("PermissionRequested", {Field::number(kind), Field::text(uri)});
  const auto args = make_object<PermissionRequestedEventArgs>(uri, kind);
  const int count = invoke_all(handlers, this, args.get());
  return {count, args->state()};
}

int WebView::raise_navigation_completed(bool is_success, COREWEBVIEW2_WEB_ERROR_STATUS status,
                                        const std::optional<std::wstring> &source) {
  const ComPtr<WebView> self(this);
  if (source) {
    source_ = *source;
  }
  if (is_success && navigation_pending_) {
    load_document(); // a navigation that loaded without a ContentLoading of its own
  }
  const auto handlers = NavigationCompleted_.snapshot();
  log_callback("NavigationCompleted",
               {Field::number(is_success ? 1 : 0), Field::number(status), Field::text(source_)});
  const auto args =
      make_object<NavigationCompletedEventArgs>(is_success ? TRUE : FALSE, status, navigation_id_);
  return invoke_all(handlers, this, args.get());
}

int WebView::raise_document_title_changed(const std::wstring &title) {
  const ComPtr<WebView> self(this);
  title_ = title;
  const auto handlers = DocumentTitleChanged_.snapshot();
  log_callback("DocumentTitleChanged", {Field::text(title_)});
  return invoke_all(handlers, this, static_cast<IUnknown *>(nullptr));
}

int WebView::raise_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
  const ComPtr<WebView> self(this);
  const auto handlers = ProcessFailed_.snapshot();
  log_callback("ProcessFailed", {Field::number(kind)});
  const auto args = make_object<ProcessFailedEventArgs>(kind);
  const int count = invoke_all(handlers, this, args.get());
  if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
    close(); // every web view of the browser is gone with it
  }
  return count;
}

int WebView::raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const std::wstring &message,
                                 const std::optional<std::wstring> &uri,
                                 const std::wstring &default_text, ScriptDialogAnswer answered) {
  const ComPtr<WebView> self(this);
  if (document_default_dialogs_) {
    // WebView2 shows its own dialog; the person presses OK ("Leave" for beforeunload), and a
    // prompt returns its default text.
    log_callback("DefaultScriptDialog", {Field::number(kind), Field::text(message)});
    log_callback("ScriptDialogAnswered", {Field::number(1)});
    if (answered) {
      answered(true, default_text);
    }
    return 0;
  }
  const auto handlers = ScriptDialogOpening_.snapshot();
  log_callback("ScriptDialogOpening", {Field::number(kind), Field::text(message)});
  const auto args = make_object<ScriptDialogOpeningEventArgs>(uri.value_or(source_), kind, message,
                                                              default_text, std::move(answered));
  const int count = invoke_all(handlers, this, args.get());
  if (!args->deferred()) {
    args->answer();
  }
  return count;
}

int WebView::raise_new_window_requested(const std::wstring &uri,
                                        const WindowFeatureValues &features, bool user_initiated,
                                        NewWindowSettled settled) {
  const ComPtr<WebView> self(this);
  if (!settled) {
    settled = [uri](const NewWindowDecision &decision) {
      if (decision.new_window) {
        decision.new_window->load_new_window(uri, decision.first_document_scripts);
      }
    };
  }
  const auto handlers = NewWindowRequested_.snapshot();
  log_callback("NewWindowRequested", {Field::text(uri)});
  const auto args = make_object<NewWindowRequestedEventArgs>(uri, features, user_initiated,
                                                             environment_, std::move(settled));
  // The handlers are declared with the global name of the arguments' interface.
  const int count =
      invoke_all(handlers, this,
                 reinterpret_cast<::ICoreWebView2NewWindowRequestedEventArgs *>(
                     static_cast<ICoreWebView2NewWindowRequestedEventArgs *>(args.get())));
  if (!args->deferred()) {
    args->settle();
  }
  return count;
}

int WebView::raise_window_close_requested() {
  const ComPtr<WebView> self(this);
  const auto handlers = WindowCloseRequested_.snapshot();
  log_callback("WindowCloseRequested", {});
  return invoke_all(handlers, this, static_cast<IUnknown *>(nullptr));
}

std::vector<std::wstring> WebView::script_ids() const {
  std::vector<std::wstring> ids;
  for (const auto &script : scripts_) {
    ids.push_back(script.first);
  }
  return ids;
}

void WebView::load_new_window(const std::wstring &uri,
                              const std::vector<std::wstring> &first_document_scripts) {
  if (closed_) {
    log_note("the new window's web view is closed: nothing loads");
    return;
  }
  for (const auto &script : scripts_) {
    if (std::find(first_document_scripts.begin(), first_document_scripts.end(), script.first) ==
        first_document_scripts.end()) {
      log_note("script " + escape(script.first, true) +
               " was added after NewWindow: the first document runs without it");
    }
  }
  source_ = uri;
  ++navigation_id_;
  navigation_pending_ = true;
  if (page_) {
    return; // the page loads the target and reports its own events
  }
  // Each step from the loop, as a real load: starting, the new document, its completion.
  const ComPtr<WebView> self(this);
  queue_callback([self, uri] {
    if (self->closed_) {
      return;
    }
    if (self->raise_navigation_starting(uri).second) {
      queue_callback([self] {
        if (!self->closed_) {
          self->raise_navigation_completed(false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED,
                                           std::nullopt);
        }
      });
      return;
    }
    queue_callback([self] {
      if (!self->closed_) {
        self->raise_content_loading();
      }
    });
    queue_callback([self] {
      if (!self->closed_) {
        self->raise_navigation_completed(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN, std::nullopt);
      }
    });
  });
}

void WebView::close() {
  const ComPtr<WebView> self(this); // releasing a handler may release this web view
  closed_ = true;
  if (page_) {
    page_->close();
  }
#define WV2D_CLEAR_EVENT(Name, Handler) Name##_.clear();
  WV2D_WEB_VIEW_EVENTS(WV2D_CLEAR_EVENT)
#undef WV2D_CLEAR_EVENT
}

HRESULT STDMETHODCALLTYPE WebView::get_Settings(ICoreWebView2Settings **settings) {
  if (const auto result =
          begin_getter<ICoreWebView2Settings *>("get_Settings", settings, nullptr)) {
    return *result;
  }
  settings_->AddRef();
  *settings = settings_.get();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::get_Source(LPWSTR *uri) {
  return get_text("get_Source", uri, source_);
}

HRESULT STDMETHODCALLTYPE WebView::Navigate(LPCWSTR uri) {
  if (const auto fault = record_call("Navigate", {Field::text(uri)})) {
    return *fault;
  }
  if (!uri) {
    return E_INVALIDARG;
  }
  source_ = uri;
  ++navigation_id_;
  navigation_pending_ = true;
  if (page_) {
    return page_->navigate(uri);
  }
  if (completes_navigation_to(uri)) {
    queue_callback([self = ComPtr<WebView>(this)] {
      self->raise_navigation_completed(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN, std::nullopt);
    });
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::NavigateToString(LPCWSTR html) {
  if (const auto fault = record_call("NavigateToString", {Field::text(html)})) {
    return *fault;
  }
  if (!html) {
    return E_INVALIDARG;
  }
  if (page_ && std::wcslen(html) > kMaxHtmlLength) {
    return E_INVALIDARG; // WebView2 takes at most 2 MB
  }
  source_ = L"about:blank";
  ++navigation_id_;
  navigation_pending_ = true;
  return page_ ? page_->navigate_to_string(html) : S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler *handler) {
  const auto fault = take_fault("AddScriptToExecuteOnDocumentCreated");
  const std::wstring id = fault || !script ? std::wstring() : next_script_id();
  log_call("AddScriptToExecuteOnDocumentCreated",
           {id.empty() ? Field::word("-") : Field::text(id), Field::text(script)});
  if (fault) {
    return *fault;
  }
  if (!script) {
    return E_INVALIDARG;
  }
  if (page_) {
    page_->add_script(id, script,
                      [self = ComPtr<WebView>(this), handler = ComPtr(handler), id,
                       script = std::wstring(script)](HRESULT added) {
                        if (SUCCEEDED(added)) {
                          self->scripts_.emplace_back(id, script);
                        }
                        const LPCWSTR reported = SUCCEEDED(added) ? id.c_str() : nullptr;
                        log_callback("ScriptAdded", {Field::hresult(added), Field::text(reported)});
                        if (handler) {
                          handler->Invoke(added, reported);
                        }
                      });
    return S_OK;
  }
  // The script counts as added when the completion reports success.
  queue_callback(
      [self = ComPtr<WebView>(this), handler = ComPtr(handler), id, script = std::wstring(script)] {
        const auto completion_fault = take_fault("ScriptAdded");
        if (!completion_fault) {
          self->scripts_.emplace_back(id, script);
        }
        const HRESULT result = completion_fault.value_or(S_OK);
        const LPCWSTR reported = completion_fault ? nullptr : id.c_str();
        log_callback("ScriptAdded", {Field::hresult(result), Field::text(reported)});
        if (handler) {
          handler->Invoke(result, reported);
        }
      });
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) {
  if (const auto fault = record_call("RemoveScriptToExecuteOnDocumentCreated", {Field::text(id)})) {
    return *fault;
  }
  const std::wstring key = wide(id);
  if (page_) {
    page_->remove_script(key);
  }
  scripts_.erase(std::remove_if(scripts_.begin(), scripts_.end(),
                                [&](const auto &entry) { return entry.first == key; }),
                 scripts_.end());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
WebView::ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler *handler) {
  if (const auto fault = record_call("ExecuteScript", {Field::text(script)})) {
    return *fault;
  }
  if (!script) {
    return E_INVALIDARG;
  }
  if (page_) {
    page_->execute_script(
        script, handler != nullptr,
        [handler = ComPtr(handler)](HRESULT result, const std::wstring &json) {
          if (handler) {
            log_callback("ExecuteScriptCompleted", {Field::hresult(result), Field::text(json)});
            handler->Invoke(result, json.c_str());
          }
        });
    return S_OK;
  }
  if (handler) {
    queue_callback([handler = ComPtr(handler)] {
      const auto completion_fault = take_fault("ExecuteScriptCompleted");
      const HRESULT result = completion_fault.value_or(S_OK);
      const LPCWSTR json = completion_fault ? nullptr : L"null";
      log_callback("ExecuteScriptCompleted", {Field::hresult(result), Field::text(json)});
      handler->Invoke(result, json);
    });
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT format,
                                                  IStream *stream,
                                                  ICoreWebView2CapturePreviewCompletedHandler *) {
  return record_only("CapturePreview", {Field::number(format), Field::object(stream)}, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::Reload() {
  if (const auto fault = record_call("Reload", {})) {
    return *fault;
  }
  if (page_) {
    page_->reload();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsJson(LPCWSTR json) {
  return record_only("PostWebMessageAsJson", {Field::text(json)}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::PostWebMessageAsString(LPCWSTR text) {
  return record_only("PostWebMessageAsString", {Field::text(text)}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::CallDevToolsProtocolMethod(
    LPCWSTR method, LPCWSTR parameters, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *) {
  return record_only("CallDevToolsProtocolMethod", {Field::text(method), Field::text(parameters)},
                     E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::get_BrowserProcessId(UINT32 *value) {
  return get_value<UINT32>("get_BrowserProcessId", value, GetCurrentProcessId());
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoBack(BOOL *can_go_back) {
  return get_value<BOOL>("get_CanGoBack", can_go_back, FALSE);
}

HRESULT STDMETHODCALLTYPE WebView::get_CanGoForward(BOOL *can_go_forward) {
  return get_value<BOOL>("get_CanGoForward", can_go_forward, FALSE);
}

HRESULT STDMETHODCALLTYPE WebView::GoBack() {
  return record_only("GoBack", {}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::GoForward() {
  return record_only("GoForward", {}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::GetDevToolsProtocolEventReceiver(
    LPCWSTR event_name, ICoreWebView2DevToolsProtocolEventReceiver **receiver) {
  if (receiver) {
    *receiver = nullptr;
  }
  return record_only("GetDevToolsProtocolEventReceiver", {Field::text(event_name)}, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::Stop() {
  return record_only("Stop", {}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::get_DocumentTitle(LPWSTR *title) {
  return get_text("get_DocumentTitle", title, title_);
}

HRESULT STDMETHODCALLTYPE WebView::AddHostObjectToScript(LPCWSTR name, VARIANT *object) {
  return record_only("AddHostObjectToScript", {Field::text(name), Field::object(object)},
                     E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::RemoveHostObjectFromScript(LPCWSTR name) {
  return record_only("RemoveHostObjectFromScript", {Field::text(name)}, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE WebView::OpenDevToolsWindow() {
  return record_only("OpenDevToolsWindow", {}, S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::get_ContainsFullScreenElement(BOOL *contains) {
  return get_value<BOOL>("get_ContainsFullScreenElement", contains, FALSE);
}

HRESULT STDMETHODCALLTYPE WebView::AddWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
  return record_only("AddWebResourceRequestedFilter", {Field::text(uri), Field::number(context)},
                     S_OK);
}

HRESULT STDMETHODCALLTYPE WebView::RemoveWebResourceRequestedFilter(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
  return record_only("RemoveWebResourceRequestedFilter", {Field::text(uri), Field::number(context)},
                     S_OK);
}

// add_Name logs "add_Name" and holds the handler; remove_Name logs "remove_Name TOKEN" and
// releases it.
#define WV2D_DEFINE_EVENT(Name, Handler)                                                           \
  HRESULT STDMETHODCALLTYPE WebView::add_##Name(Handler *handler, EventRegistrationToken *token) { \
    if (const auto fault = record_call("add_" #Name, {})) {                                        \
      return *fault;                                                                               \
    }                                                                                              \
    return Name##_.add(handler, token);                                                            \
  }                                                                                                \
  HRESULT STDMETHODCALLTYPE WebView::remove_##Name(EventRegistrationToken token) {                 \
    if (const auto fault = record_call("remove_" #Name, {Field::number(token.value)})) {           \
      return *fault;                                                                               \
    }                                                                                              \
    Name##_.remove(token);                                                                         \
    return S_OK;                                                                                   \
  }
WV2D_WEB_VIEW_EVENTS(WV2D_DEFINE_EVENT)
#undef WV2D_DEFINE_EVENT

} // namespace wv2d
