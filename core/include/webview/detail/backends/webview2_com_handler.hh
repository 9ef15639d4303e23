// The COM objects through which WebView2 reports back to the engine: one object for environment
// and controller creation, web messages and permission requests, and one per script addition.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_COM_HANDLER_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_COM_HANDLER_HH

#include "../utf.hh"
#include "webview2_interfaces.hh"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace webview {
namespace detail {

// HRESULT_FROM_WIN32(ERROR_INVALID_STATE): the user data folder is in use with other options.
constexpr HRESULT webview2_folder_in_use = static_cast<HRESULT>(0x8007139F);

// Creation failures that say the user data folder itself cannot be used: retrying cannot help.
// In use by a browser started with other options; a file where the folder should be
// (ERROR_FILE_EXISTS); no right to create or use it (E_ACCESSDENIED, and E_UNEXPECTED from a
// controller, which the runtime gives for a folder it may not use).
inline bool is_browser_data_failure(HRESULT result, bool from_controller) {
  return result == webview2_folder_in_use || result == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) ||
         result == E_ACCESSDENIED || (from_controller && result == E_UNEXPECTED);
}

// Web messages larger than this (UTF-8 bytes) are dropped unread.
constexpr std::size_t max_web_message_bytes = 1024 * 1024;

// A browser string as it is, freed at once; empty for a failed call or a null text.
template <typename Getter> std::wstring take_browser_wide_text(Getter &&get) {
  LPWSTR text = nullptr;
  const HRESULT result = get(&text);
  std::wstring copy;
  if (SUCCEEDED(result) && text != nullptr) {
    copy = text;
  }
  if (text != nullptr) {
    CoTaskMemFree(text);
  }
  return copy;
}

// The same as UTF-8.
template <typename Getter> std::string take_browser_text(Getter &&get) {
  return utf16_to_utf8(take_browser_wide_text(std::forward<Getter>(get)));
}

class webview2_com_handler : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                             public ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                             public ICoreWebView2WebMessageReceivedEventHandler,
                             public ICoreWebView2PermissionRequestedEventHandler,
                             public ICoreWebView2ContentLoadingEventHandler {
public:
  // (message, address of the document that sent it)
  using message_callback = std::function<void(const std::string &, const std::string &)>;
  using document_callback = std::function<void()>;
  // Whether a document at this address may read the clipboard.
  using origin_filter = std::function<bool(const std::string &)>;
  using controller_callback = std::function<void(ICoreWebView2Controller *, ICoreWebView2 *)>;
  using attempt_callable = std::function<HRESULT()>;
  using failure_callback = std::function<void(HRESULT)>;

  // Starts with one reference, owned by the creator.
  webview2_com_handler(HWND parent_window, message_callback on_message,
                       controller_callback on_controller, document_callback on_document = nullptr)
      : parent_window_(parent_window), on_message_(std::move(on_message)),
        on_controller_(std::move(on_controller)), on_document_(std::move(on_document)) {}
  webview2_com_handler(const webview2_com_handler &) = delete;
  webview2_com_handler &operator=(const webview2_com_handler &) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return ++ref_count_; }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --ref_count_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    void *found = nullptr;
    // IUnknown is the object's identity: always the pointer of the first interface.
    if (IsEqualIID(iid, __uuidof(IUnknown)) ||
        IsEqualIID(iid, IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)) {
      found = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *>(this);
    } else if (IsEqualIID(iid, IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)) {
      found = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler *>(this);
    } else if (IsEqualIID(iid, IID_ICoreWebView2WebMessageReceivedEventHandler)) {
      found = static_cast<ICoreWebView2WebMessageReceivedEventHandler *>(this);
    } else if (IsEqualIID(iid, IID_ICoreWebView2PermissionRequestedEventHandler)) {
      found = static_cast<ICoreWebView2PermissionRequestedEventHandler *>(this);
    } else if (IsEqualIID(iid, IID_ICoreWebView2ContentLoadingEventHandler)) {
      found = static_cast<ICoreWebView2ContentLoadingEventHandler *>(this);
    }
    *object = found;
    if (found == nullptr) {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }

  // Environment created: ask it for a controller in the parent window. No exception leaves any
  // Invoke of this object: it would unwind into the browser and end the process.
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, ICoreWebView2Environment *env) override {
    try {
      if (SUCCEEDED(result) && env != nullptr && SUCCEEDED(create_controller(env))) {
        return S_OK;
      }
      if (is_browser_data_failure(result, false)) {
        give_up(result);
        return S_OK;
      }
      try_create_environment();
    } catch (...) {
    }
    return S_OK;
  }

  virtual ~webview2_com_handler() { keep_environment(nullptr); }

  // Asks `env` for a controller in the parent window; the answer comes to this object.
  HRESULT create_controller(ICoreWebView2Environment *env) {
    keep_environment(env);
    return env->CreateCoreWebView2Controller(
        parent_window_,
        static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler *>(this));
  }

  // The environment the last controller was asked of; null before.
  ICoreWebView2Environment *environment() const noexcept { return environment_; }

  // Controller created: connect messages and permissions, then hand both objects over.
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, ICoreWebView2Controller *controller) override {
    try {
      return controller_completed(result, controller);
    } catch (...) {
      return S_OK;
    }
  }

  // A message of at most max_web_message_bytes goes to the engine with its sender's address.
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 * /*sender*/,
                                   ICoreWebView2WebMessageReceivedEventArgs *args) override {
    try {
      if (args != nullptr && on_message_) {
        receive_web_message(args);
      }
    } catch (...) {
      // The message is dropped; nothing may unwind into the browser.
    }
    return S_OK;
  }

  // Reading the clipboard is granted to the documents the filter admits (to every document when
  // there is no filter); every other request keeps the browser's default.
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 * /*sender*/,
                                   ICoreWebView2PermissionRequestedEventArgs *args) override {
    try {
      COREWEBVIEW2_PERMISSION_KIND kind{};
      if (args == nullptr || FAILED(args->get_PermissionKind(&kind)) ||
          kind != COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ) {
        return S_OK;
      }
      if (clipboard_filter_ && !clipboard_filter_(take_browser_text(
                                   [args](LPWSTR *uri) { return args->get_Uri(uri); }))) {
        return S_OK;
      }
      args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    } catch (...) {
      // The request keeps the browser's default answer.
    }
    return S_OK;
  }

  // A new top-level document starts loading.
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2 * /*sender*/,
                                   ICoreWebView2ContentLoadingEventArgs * /*args*/) override {
    try {
      if (on_document_) {
        on_document_();
      }
    } catch (...) {
    }
    return S_OK;
  }

  void set_clipboard_filter(origin_filter filter) { clipboard_filter_ = std::move(filter); }

  void set_attempt_fn(attempt_callable attempt) { attempt_ = std::move(attempt); }

  // Told why creation stopped when the browser data folder cannot be used.
  void set_failure_fn(failure_callback failed) { on_failure_ = std::move(failed); }

  // The pause after a failed attempt.
  void set_attempt_interval(std::uint32_t ms) { attempt_interval_ms_ = ms; }

  // Called by the owner before it goes away: the browser may still hold this object and call
  // it later, and must then reach nothing of the owner's.
  void disconnect() {
    on_message_ = nullptr;
    on_controller_ = nullptr;
    on_document_ = nullptr;
    clipboard_filter_ = nullptr;
    attempt_ = nullptr;
    on_failure_ = nullptr;
  }

  // Runs creation attempts until one starts; all retries share one budget of attempts.
  void try_create_environment() {
    if (!attempt_) {
      return; // disconnected
    }
    while (attempts_made_ < max_attempts_) {
      ++attempts_made_;
      const HRESULT result = attempt_();
      if (SUCCEEDED(result)) {
        return;
      }
      if (is_browser_data_failure(result, false)) {
        give_up(result);
        return;
      }
      Sleep(attempt_interval_ms_);
    }
    give_up(S_OK);
  }

private:
  HRESULT controller_completed(HRESULT result, ICoreWebView2Controller *controller) {
    if (SUCCEEDED(result)) {
      ICoreWebView2 *webview = nullptr;
      EventRegistrationToken token{};
      if (controller != nullptr) {
        controller->get_CoreWebView2(&webview);
      }
      if (webview != nullptr) {
        webview->add_WebMessageReceived(
            static_cast<ICoreWebView2WebMessageReceivedEventHandler *>(this), &token);
        webview->add_PermissionRequested(
            static_cast<ICoreWebView2PermissionRequestedEventHandler *>(this), &token);
        webview->add_ContentLoading(static_cast<ICoreWebView2ContentLoadingEventHandler *>(this),
                                    &token);
      }
      if (on_controller_) {
        on_controller_(controller, webview);
      }
      if (webview != nullptr) {
        webview->Release(); // the engine took its own reference
      }
      return S_OK;
    }
    // The parent window went away: retrying cannot help, and the engine waits until its
    // deadline or until the loop is asked to quit.
    if (result == E_ABORT) {
      return S_OK;
    }
    if (is_browser_data_failure(result, true)) {
      give_up(result);
      return S_OK;
    }
    try_create_environment();
    return S_OK;
  }

  // Creation ends without a browser; `result` says why when the folder is to blame.
  void give_up(HRESULT result) {
    if (FAILED(result) && on_failure_) {
      on_failure_(result);
    }
    if (on_controller_) {
      on_controller_(nullptr, nullptr);
    }
  }

  // Reads at most `limit` + 1 units of a NUL-terminated text.
  static bool longer_than(const wchar_t *text, std::size_t limit) {
    for (std::size_t n = 0; n <= limit; ++n) {
      if (text[n] == L'\0') {
        return false;
      }
    }
    return true;
  }

  void receive_web_message(ICoreWebView2WebMessageReceivedEventArgs *args) {
    LPWSTR message = nullptr;
    const HRESULT result = args->TryGetWebMessageAsString(&message);
    struct freed {
      LPWSTR text;
      ~freed() {
        if (text != nullptr) {
          CoTaskMemFree(text);
        }
      }
    } hold{message};
    // Every UTF-16 unit becomes at least one UTF-8 byte, so a longer text is too large for sure
    // and is dropped before it is converted.
    if (FAILED(result) || message == nullptr || longer_than(message, max_web_message_bytes)) {
      return;
    }
    std::string text = utf16_to_utf8(message);
    if (text.size() > max_web_message_bytes) {
      return;
    }
    on_message_(text, take_browser_text([args](LPWSTR *uri) { return args->get_Source(uri); }));
  }

  void keep_environment(ICoreWebView2Environment *env) {
    if (env != nullptr) {
      env->AddRef();
    }
    if (environment_ != nullptr) {
      environment_->Release();
    }
    environment_ = env;
  }

  HWND parent_window_;
  ICoreWebView2Environment *environment_ = nullptr;
  message_callback on_message_;
  controller_callback on_controller_;
  document_callback on_document_;
  origin_filter clipboard_filter_;
  std::atomic<ULONG> ref_count_{1};
  attempt_callable attempt_;
  failure_callback on_failure_;
  std::uint32_t max_attempts_ = 60;
  std::uint32_t attempt_interval_ms_ = 200;
  std::uint32_t attempts_made_ = 0;
};

// Reports the outcome of one AddScriptToExecuteOnDocumentCreated call.
class webview2_user_script_added_handler
    : public ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler {
public:
  using completion = std::function<void(HRESULT, LPCWSTR)>;

  explicit webview2_user_script_added_handler(completion done) : done_(std::move(done)) {}
  webview2_user_script_added_handler(const webview2_user_script_added_handler &) = delete;
  webview2_user_script_added_handler &
  operator=(const webview2_user_script_added_handler &) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (!IsEqualIID(iid, __uuidof(IUnknown)) &&
        !IsEqualIID(iid, IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler *>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++ref_count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --ref_count_;
    if (remaining == 0) {
      delete this;
    }
    return remaining;
  }
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, LPCWSTR id) override {
    try {
      if (done_) {
        done_(result, id);
      }
    } catch (...) {
    }
    return S_OK;
  }
  virtual ~webview2_user_script_added_handler() = default;

private:
  completion done_;
  std::atomic<ULONG> ref_count_{1};
};

} // namespace detail
} // namespace webview

#endif
