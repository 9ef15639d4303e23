// ICoreWebView2Environment. CreateCoreWebView2Controller answers at once and completes its
// handler later from the message loop (callback_queue.hh) with a new controller, or with
// E_ABORT when the parent window no longer exists by then.

#ifndef WV2D_ENVIRONMENT_HH
#define WV2D_ENVIRONMENT_HH

#include "com_object.hh"
#include "event_list.hh"

#include <string>

namespace wv2d {

// Starts creating an environment for the handler: logs nothing itself, queues the completion
// ("EnvironmentCompleted") and returns S_OK. Shared by both creation entry points.
HRESULT
start_environment_creation(const std::wstring &user_data_folder,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler);

class Environment final : public ComObject<ICoreWebView2Environment> {
public:
  explicit Environment(std::wstring user_data_folder);

  // Tells environments apart: distinct for every environment of the process.
  unsigned serial() const { return serial_; }

  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler *handler) override;
  HRESULT STDMETHODCALLTYPE
  CreateWebResourceResponse(IStream *content, int status_code, LPCWSTR reason_phrase,
                            LPCWSTR headers, ICoreWebView2WebResourceResponse **response) override;
  HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR *version) override;
  HRESULT STDMETHODCALLTYPE
  add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler *handler,
                                 EventRegistrationToken *token) override;
  HRESULT STDMETHODCALLTYPE
  remove_NewBrowserVersionAvailable(EventRegistrationToken token) override;

private:
  const std::wstring user_data_folder_;
  const unsigned serial_;
  EventList<ICoreWebView2NewBrowserVersionAvailableEventHandler> NewBrowserVersionAvailable_;
};

} // namespace wv2d

#endif // WV2D_ENVIRONMENT_HH
