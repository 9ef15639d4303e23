// ICoreWebView2, the web view of a controller.
//
// Navigate sets the source to the address, NavigateToString to "about:blank"; both count a new
// navigation. Scripts added with AddScriptToExecuteOnDocumentCreated get ids "1", "2", ... in
// the order of the calls (numbering restarts with wv2d_reset); the id appears in the call's log
// line and reaches the completion handler from the message loop. ExecuteScript completes a
// handler, if given, with the JSON text "null". Event handlers registered with add_* are held
// until they are removed or the web view is closed (its controller closed or destroyed).
//
// The raise_* functions deliver an event synchronously to every handler registered for it, in
// registration order, and return how many handlers were invoked.
//
// NewWindowRequested settles as new_window_request.hh describes; without a page behind the web
// views, the web view given as the new window then loads the target: its source becomes the
// address, a navigation is counted, and NavigationStarting, ContentLoading and a successful
// NavigationCompleted follow from the message loop (a canceled NavigationStarting is followed by
// a NavigationCompleted that failed with OPERATION_CANCELED instead).
//
// AreDefaultScriptDialogsEnabled applies per document, as WebView2 reads it when a document
// loads: its value is taken at ContentLoading, or, for a navigation of the program that
// completes successfully without a ContentLoading, at that completion. The first document (before
// any navigation) has the default, TRUE. While the current document's value is TRUE a script
// dialog is answered by "WebView2's own dialog" (accepted) and ScriptDialogOpening is not raised.

#ifndef WV2D_WEB_VIEW_HH
#define WV2D_WEB_VIEW_HH

#include "com_object.hh"
#include "event_args.hh"
#include "event_list.hh"
#include "new_window_request.hh"
#include "page_backend.hh"
#include "settings.hh"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wv2d {

// Restarts the numbering of script ids.
void reset_script_ids();

class WebView final : public ComObject<ICoreWebView2> {
public:
  // `environment` identifies the environment that made it (Environment::serial).
  explicit WebView(unsigned environment);

  int raise_web_message(const std::wstring &message, bool is_json,
                        const std::optional<std::wstring> &source = std::nullopt);
  int raise_content_loading();
  // `uri` defaults to the source. Returns the handler count and whether a handler canceled.
  std::pair<int, bool> raise_navigation_starting(const std::optional<std::wstring> &uri);
  // Returns the handler count and the permission state the handlers left.
  std::pair<int, COREWEBVIEW2_PERMISSION_STATE>
  raise_permission_requested(COREWEBVIEW2_PERMISSION_KIND kind, const std::wstring &uri);
  // Sets the source first when one is given.
  int raise_navigation_completed(bool is_success, COREWEBVIEW2_WEB_ERROR_STATUS status,
                                 const std::optional<std::wstring> &source);
  int raise_document_title_changed(const std::wstring &title);
  int raise_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
  // The dialog's address is the source unless `uri` is given; `answered` gets the answer once
  // the handlers return, or when a deferral completes.
  int raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, const std::wstring &message,
                          const std::optional<std::wstring> &uri = std::nullopt,
                          const std::wstring &default_text = {}, ScriptDialogAnswer answered = {});
  // `settled` gets the handlers' decision; without one, a web view given as the new window
  // loads `uri` as described above.
  int raise_new_window_requested(const std::wstring &uri, const WindowFeatureValues &features,
                                 bool user_initiated, NewWindowSettled settled = {});
  // Handlers receive null arguments.
  int raise_window_close_requested();
  // Loads `uri` as the new window of a settled request: counts the navigation and, without a
  // page behind the web view, raises its events (a page raises its own). A script not among
  // `first_document_scripts` is noted as missing the first document.
  void load_new_window(const std::wstring &uri,
                       const std::vector<std::wstring> &first_document_scripts);
  // The scripts added so far (their completion reported success): id and text.
  const std::vector<std::pair<std::wstring, std::wstring>> &scripts() const { return scripts_; }
  std::vector<std::wstring> script_ids() const;

  unsigned environment() const { return environment_; }
  // Whether the program has navigated it, or it has loaded a new window's target.
  bool navigated() const { return navigation_id_ != 0; }

  // Releases every registered handler; events are no longer raised on this web view.
  void close();
  bool closed() const { return closed_; }

  // The page this web view forwards to (page_backend.hh), if any.
  void attach(std::unique_ptr<PageBackend> page) { page_ = std::move(page); }
  PageBackend *page() const { return page_.get(); }
  // What the page reports: the address of its top document.
  void set_source(const std::wstring &source) { source_ = source; }
  const Settings &settings() const { return *settings_.get(); }

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings **settings) override;
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR *uri) override;
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
  HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR html) override;
  HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script,
      ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler *handler) override;
  HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE
  ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler *handler) override;
  HRESULT STDMETHODCALLTYPE
  CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT format, IStream *stream,
                 ICoreWebView2CapturePreviewCompletedHandler *handler) override;
  HRESULT STDMETHODCALLTYPE Reload() override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR text) override;
  HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
      LPCWSTR method, LPCWSTR parameters,
      ICoreWebView2CallDevToolsProtocolMethodCompletedHandler *handler) override;
  HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32 *value) override;
  HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL *can_go_back) override;
  HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL *can_go_forward) override;
  HRESULT STDMETHODCALLTYPE GoBack() override;
  HRESULT STDMETHODCALLTYPE GoForward() override;
  HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
      LPCWSTR event_name, ICoreWebView2DevToolsProtocolEventReceiver **receiver) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR *title) override;
  HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT *object) override;
  HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
  HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL *contains) override;
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
      const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
  HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
      const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;

  // add_Name and remove_Name of every event, each with its own handler list.
#define WV2D_WEB_VIEW_EVENTS(X)                                                                    \
  X(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)                               \
  X(ContentLoading, ICoreWebView2ContentLoadingEventHandler)                                       \
  X(SourceChanged, ICoreWebView2SourceChangedEventHandler)                                         \
  X(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)                                       \
  X(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)                             \
  X(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)                          \
  X(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)                        \
  X(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)                             \
  X(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)                             \
  X(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)                                         \
  X(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)                               \
  X(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)                               \
  X(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)                           \
  X(ContainsFullScreenElementChanged, ICoreWebView2ContainsFullScreenElementChangedEventHandler)   \
  X(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)                           \
  X(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)

#define WV2D_DECLARE_EVENT(Name, Handler)                                                          \
  HRESULT STDMETHODCALLTYPE add_##Name(Handler *handler, EventRegistrationToken *token) override;  \
  HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override;
  WV2D_WEB_VIEW_EVENTS(WV2D_DECLARE_EVENT)
#undef WV2D_DECLARE_EVENT

private:
#define WV2D_EVENT_MEMBER(Name, Handler) EventList<Handler> Name##_;
  WV2D_WEB_VIEW_EVENTS(WV2D_EVENT_MEMBER)
#undef WV2D_EVENT_MEMBER

  const unsigned environment_;
  ComPtr<Settings> settings_;
  std::wstring source_;
  std::wstring title_;
  UINT64 navigation_id_ = 0;
  // Loads the current document: takes the setting's value for its script dialogs.
  void load_document();
  bool document_default_dialogs_ = true; // the setting's value when this document loaded
  bool navigation_pending_ = false;      // Navigate* called; its document not loaded yet
  std::vector<std::pair<std::wstring, std::wstring>> scripts_; // id, script
  bool closed_ = false;
  std::unique_ptr<PageBackend> page_;
};

} // namespace wv2d

#endif // WV2D_WEB_VIEW_HH
