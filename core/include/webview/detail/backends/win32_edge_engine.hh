// The Windows backend: a Win32 window hosting the WebView2 browser control.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_EDGE_ENGINE_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_EDGE_ENGINE_HH

#include "../../exception.hh"
#include "../engine_base.hh"
#include "../utf.hh"
#include "com_ref.hh"
#include "webview2_com_handler.hh"
#include "webview2_embedding.hh"
#include "webview2_environment_options.hh"
#include "webview2_event_handler.hh"
#include "webview2_interfaces.hh"
#include "webview2_new_window.hh"
#include "webview2_recovery_policy.hh"
#include "webview2_runtime.hh"
#include "win32_dpi.hh"
#include "win32_edge_startup.hh"
#include "win32_message_wait.hh"
#include "win32_theme.hh"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace webview {
namespace detail {

// The WebView2 half of an installed user script: the browser's id and the UTF-16 code. The id
// is shared with the registration's completion, so that one arriving after the engine stopped
// waiting still lets the script be removed later.
class user_script::impl {
public:
  impl(std::shared_ptr<std::wstring> id, std::wstring code)
      : id(std::move(id)), code(std::move(code)) {}
  std::shared_ptr<std::wstring> id; // empty while (or when) the browser has not taken the script
  std::wstring code;
};

// How long the engine waits for the browser. A cold start of the runtime on a slow machine takes
// seconds; past these limits the user is better served by the fallback than by a hidden window.
struct win32_edge_deadlines {
  std::chrono::milliseconds browser{60000}; // environment and controller, once they are asked for
  std::chrono::milliseconds script{5000};   // one script registration
  std::chrono::milliseconds leave{3000};    // the page's answer when its window is closed
  std::chrono::milliseconds attempt_pause{200}; // after a failed creation attempt (60 at most)
};

// The engine's own questions; a host replaces them with texts in its users' languages.
struct win32_prompt_texts {
  // Yes leaves a page with unsaved work, No stays.
  std::wstring leave = L"Leave this page? Changes you made may not be saved.";
  // The page did not answer in time when its window was closed: Yes closes, No stays.
  std::wstring close_unresponsive = L"The page is not responding. Close the window anyway?";
  // The page stopped responding: Yes waits for it, No reloads it.
  std::wstring page_unresponsive =
      L"The page is not responding. Wait for it?\n\nYes: wait.  No: reload the page.";
};

class win32_edge_engine : public engine_base {
public:
  // With a null `window` the engine creates and owns its main window; otherwise `window` is the
  // host's window handle, or the address of a variable holding it. Throws webview::exception.
  // `startup` says how an owned window looks before the browser exists, and what to do when the
  // browser data folder cannot be used.
  win32_edge_engine(bool debug, void *window, win32_edge_deadlines limits = {},
                    win32_edge_startup startup = {})
      : engine_base(window == nullptr), deadlines(limits), debug(debug),
        startup(std::move(startup)),
        shared_environment(com_ref<ICoreWebView2Environment>::share(this->startup.environment)) {
    loader_module = load_library_beside_executable(webview2_loader_library);
    try {
      constructing = true;
      construct(debug, window);
      constructing = false;
    } catch (...) {
      tear_down_after_failed_construction();
      throw;
    }
    schedule_failures(); // a failure during construction is handled from the loop
  }

  win32_edge_engine(const win32_edge_engine &) = delete;
  win32_edge_engine &operator=(const win32_edge_engine &) = delete;

  // Clipboard reads are granted only to documents whose address `filter` admits; without a
  // filter every document may read it.
  void set_clipboard_read_filter(std::function<bool(const std::string &)> filter) {
    clipboard_read_filter = std::move(filter);
    if (com_handler) {
      com_handler->set_clipboard_filter(clipboard_read_filter);
    }
  }

  ~win32_edge_engine() override {
    destroying = true;
    stop_leave_timer();
    answer_waiting_dialogs_unshown();
    release_browser();
    detach_windows();
    destroy_widget_and_main_window();
    if (owns_window()) {
      deplete_run_loop_event_queue();
    }
    destroy_message_window();
    free_loader_and_com();
  }

  // `fn` attaches what the host adds to the browser (settings, event hooks). It runs now when the
  // browser exists, and again each time the engine replaced a failed browser, after the engine's
  // own settings, handlers and scripts are back; get_browser_controller then gives the new one.
  void on_browser_created(std::function<void()> fn) {
    browser_created = std::move(fn);
    if (browser_created && controller) {
      browser_created();
    }
  }

  // Sees every message of an owned main window first; returning true answers it with *result.
  void set_main_window_hook(std::function<bool(UINT, WPARAM, LPARAM, LRESULT *)> hook) {
    main_window_hook = std::move(hook);
  }

  // The question asked when a page with unsaved work is closed (Yes leaves, No stays).
  void set_leave_prompt(std::wstring text) { texts.leave = std::move(text); }

  // All of the engine's questions at once.
  void set_prompt_texts(win32_prompt_texts new_texts) { texts = std::move(new_texts); }

  // Pages' requests for new windows (window.open, links with a target) go to `handler`, which
  // decides with the request, now or later; without a handler the browser opens its own popup.
  using new_window_handler = std::function<void(std::shared_ptr<webview2_new_window_request>)>;
  void set_new_window_handler(new_window_handler handler) { new_window = std::move(handler); }

  // A page asked to close its window (window.close()); without a handler nothing happens.
  void set_close_request_handler(std::function<void()> handler) {
    close_requested = std::move(handler);
  }

  // Runs once an owned main window has been destroyed, however it was closed.
  void set_window_destroyed_handler(std::function<void()> handler) {
    window_destroyed = std::move(handler);
  }

  // The browser environment of the current web view: another engine made on it (startup's
  // `environment`) shares its browser, profile and options. Null while there is no browser.
  ICoreWebView2Environment *browser_environment() const noexcept {
    return com_handler ? com_handler->environment() : nullptr;
  }

  // The browser failed more often than it may be recovered; an owned window was then closed.
  bool browser_lost() const noexcept { return lost; }

protected:
  // Part of the engine's browser calls -------------------------------------------------------
  op_status navigate_impl(const std::string &url) override {
    remember_address(url);
    if (browser) {
      browser->Navigate(utf8_to_utf16(url).c_str());
    }
    return {};
  }

  op_status set_html_impl(const std::string &html) override {
    if (browser) {
      browser->NavigateToString(utf8_to_utf16(html).c_str());
    }
    return {};
  }

  op_status eval_impl(const std::string &js) override { return eval_utf16_impl(utf8_to_utf16(js)); }

  bool evaluates_utf16() const override { return true; }

  op_status eval_utf16_impl(const std::wstring &js) override {
    if (browser) {
      browser->ExecuteScript(js.c_str(), nullptr);
    }
    return {};
  }

  user_script add_user_script_impl(const std::string &js) override {
    std::wstring code = utf8_to_utf16(js);
    auto id = std::make_shared<std::wstring>();
    auto done = std::make_shared<bool>(false);
    ++script_waits;
    auto *handler =
        new webview2_user_script_added_handler([id, done](HRESULT result, LPCWSTR new_id) {
          if (SUCCEEDED(result) && new_id != nullptr) {
            *id = new_id;
          }
          *done = true;
        });
    if (browser && SUCCEEDED(browser->AddScriptToExecuteOnDocumentCreated(code.c_str(), handler))) {
      // The default size must not apply while the loop runs here; it is queued again below.
      set_default_size_guard(true);
      // Past the deadline the script keeps an empty id until a late completion fills it.
      if (wait_until([done] { return *done; }, deadlines.script) == wait_outcome::quit) {
        PostQuitMessage(quit_code);
      }
      if (!window_shown) {
        set_default_size_guard(false);
        dispatch_size_default();
      }
    }
    handler->Release();
    --script_waits;
    schedule_failures();
    return user_script(js, user_script::impl_ptr(new user_script::impl(id, std::move(code)),
                                                 [](user_script::impl *p) { delete p; }));
  }

  void remove_all_user_scripts_impl(const std::list<user_script> &scripts) override {
    if (!browser) {
      return;
    }
    for (const auto &script : scripts) {
      browser->RemoveScriptToExecuteOnDocumentCreated(script.get_impl()->id->c_str());
    }
  }

  // Scripts the browser has not (yet) given an id are equal only to themselves.
  bool are_user_scripts_equal_impl(const user_script &first, const user_script &second) override {
    const auto *a = first.get_impl();
    const auto *b = second.get_impl();
    return a == b || (!a->id->empty() && *a->id == *b->id);
  }

  // Windows and loop -------------------------------------------------------------------------
  op_result<void *> window_impl() override { return handle_or_error(main_window); }
  op_result<void *> widget_impl() override { return handle_or_error(widget_window); }
  op_result<void *> browser_controller_impl() override { return handle_or_error(controller.get()); }

  op_status run_impl() override {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return {};
  }

  op_status terminate_impl() override {
    PostQuitMessage(0);
    return {};
  }

  op_status dispatch_impl(std::function<void()> f) override {
    auto task = std::make_unique<std::function<void()>>(std::move(f));
    if (message_window == nullptr ||
        !PostMessageW(message_window, WM_APP, 0, reinterpret_cast<LPARAM>(task.get()))) {
      // Nothing will ever run the copy: free it and say so.
      return op_status::failure(error_invalid_state, "Cannot post to the message window");
    }
    task.release(); // the message window procedure owns it now
    return {};
  }

  op_status set_title_impl(const std::string &title) override {
    SetWindowTextW(main_window, utf8_to_utf16(title).c_str());
    return {};
  }

  op_status set_size_impl(int width, int height, size_hint hint) override {
    constexpr LONG_PTR resizable = WS_THICKFRAME | WS_MAXIMIZEBOX;
    const LONG_PTR style = GetWindowLongA(main_window, GWL_STYLE);
    bool resize = true;
    if (hint == hint_fixed) {
      SetWindowLongA(main_window, GWL_STYLE, static_cast<LONG>(style & ~resizable));
    } else {
      SetWindowLongA(main_window, GWL_STYLE, static_cast<LONG>(style | resizable));
      if (hint == hint_max) {
        max_size = {width, height};
        resize = false;
      } else if (hint == hint_min) {
        min_size = {width, height};
        resize = false;
      }
    }
    if (resize) {
      dpi = get_window_dpi(main_window);
      const auto size =
          window_size_for_client(main_window, width * dpi / 96, height * dpi / 96, dpi);
      SetWindowPos(main_window, nullptr, 0, 0, size.first, size.second,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (owns_window() && !window_shown) {
      window_shown = true;
      if (startup.before_show) {
        startup.before_show(main_window);
      }
      ShowWindow(main_window, SW_SHOW);
      UpdateWindow(main_window);
      SetFocus(main_window); // WM_SETFOCUS hands it on to the browser
    }
    return {};
  }

  void run_event_loop_while(std::function<bool()> fn) override {
    MSG msg;
    while (fn()) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) {
          PostQuitMessage(static_cast<int>(msg.wParam)); // the outer loop must end too
        }
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

private:
  static constexpr const char *post_function =
      "function(message) {\n  return window.chrome.webview.postMessage(message);\n}";

  template <typename T> static op_result<void *> handle_or_error(T *handle) {
    if (handle == nullptr) {
      return op_result<void *>::failure(error_invalid_state);
    }
    return static_cast<void *>(handle);
  }

  // Construction, in order ------------------------------------------------------------------
  void construct(bool debug, void *window) {
    if (!is_runtime_available(loader_module)) {
      throw exception{error_missing_dependency, "WebView2 is unavailable"};
    }
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (owns_window()) {
      initialize_com();
      enable_dpi_awareness();
      create_main_window(instance);
    } else {
      // IsWindow tells a handle from the address of a variable holding one.
      main_window = IsWindow(static_cast<HWND>(window)) ? static_cast<HWND>(window)
                                                        : *static_cast<HWND *>(window);
      dpi = get_window_dpi(main_window);
    }
    create_widget_window(instance);
    create_message_window(instance);
    web_message_callback = [this](const std::string &message, const std::string &source) {
      receive_message(message, source);
    };
    if (startup.before_browser) {
      startup.before_browser(*this);
    }
    auto status = embed(widget_window, debug);
    if (!status.ok()) {
      throw exception{status.error().code, status.error().message};
    }
    dispatch_size_default();
  }

  void initialize_com() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (result == RPC_E_CHANGED_MODE) {
      throw exception{error_invalid_state,
                      "CoInitializeEx already called with a different concurrency model"};
    }
    if (result != S_OK && result != S_FALSE) {
      throw exception{error_unspecified, "Unexpected result from CoInitializeEx"};
    }
    com_initialized = true;
  }

  // The result is not examined: a class left registered by an earlier engine is reused.
  static void register_window_class(HINSTANCE instance, const wchar_t *name, WNDPROC proc,
                                    HICON icon = nullptr) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(WNDCLASSEXW);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
  }

  void create_main_window(HINSTANCE instance) {
    const auto icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(32512), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON),
                                                    GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    register_window_class(
        instance, L"webview",
        window_proc<&win32_edge_engine::main_window, &win32_edge_engine::on_main_window_message>,
        icon);
    CreateWindowExW(0, L"webview", L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                    startup.owner, nullptr, instance, this);
    if (main_window == nullptr) {
      throw exception{error_invalid_state, "Window is null"};
    }
    on_window_created();
    dpi = get_window_dpi(main_window);
  }

  void create_widget_window(HINSTANCE instance) {
    register_window_class(instance, L"webview_widget",
                          window_proc<&win32_edge_engine::widget_window,
                                      &win32_edge_engine::on_widget_window_message>);
    CreateWindowExW(WS_EX_CONTROLPARENT, L"webview_widget", nullptr, WS_CHILD, 0, 0, 0, 0,
                    main_window, nullptr, instance, this);
    if (widget_window == nullptr) {
      throw exception{error_invalid_state, "Widget window is null"};
    }
  }

  void create_message_window(HINSTANCE instance) {
    register_window_class(instance, L"webview_message",
                          window_proc<&win32_edge_engine::message_window,
                                      &win32_edge_engine::on_message_window_message>);
    CreateWindowExW(0, L"webview_message", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                    this);
    if (message_window == nullptr) {
      throw exception{error_invalid_state, "Message window is null"};
    }
  }

  // Embedding --------------------------------------------------------------------------------
  op_status embed(HWND widget, bool debug) {
    if (!make_user_data_folder(user_data_folder)) {
      return op_status::failure(error_unspecified, "SHGetFolderPathW failed");
    }
    for (;;) {
      creation_failure = S_OK;
      if (create_browser(widget)) {
        return op_status::failure(error_canceled); // the quit is consumed: embedding was cancelled
      }
      if (controller && browser) {
        break;
      }
      if (SUCCEEDED(creation_failure)) {
        return op_status::failure(error_invalid_state);
      }
      const auto problem = creation_failure == webview2_folder_in_use
                               ? browser_data_problem::in_use
                               : browser_data_problem::unusable;
      if (!startup.on_browser_data_problem ||
          startup.on_browser_data_problem(problem) != browser_data_answer::retry) {
        return op_status::failure(error_invalid_state, problem == browser_data_problem::in_use
                                                           ? browser_data_in_use_message
                                                           : browser_data_unusable_message);
      }
    }
    if (auto status = apply_browser_settings(browser.get(), debug); !status.ok()) {
      return status;
    }
    attach_engine_handlers();
    add_init_script(post_function);
    show_browser(owns_window());
    return {};
  }

  // Creates an environment and a controller in `widget` and waits for them, at most the browser
  // deadline. True when a WM_QUIT ended the wait (taken; its code in quit_code). On success
  // `controller` and `browser` are set.
  bool create_browser(HWND widget) {
    // Shared with the callback, which the browser may still call after this function returned.
    auto ready = std::make_shared<bool>(false);
    if (com_handler) {
      com_handler->disconnect(); // an earlier attempt's answers must not reach this one
    }
    com_handler = com_ref<webview2_com_handler>::adopt(new webview2_com_handler(
        widget, web_message_callback,
        [this, ready](ICoreWebView2Controller *new_controller, ICoreWebView2 *new_browser) {
          if (new_controller != nullptr && new_browser != nullptr) {
            controller = com_ref<ICoreWebView2Controller>::share(new_controller);
            browser = com_ref<ICoreWebView2>::share(new_browser);
          }
          *ready = true;
        },
        [this] { on_document_changed(); }));
    com_handler->set_clipboard_filter(clipboard_read_filter);
    const HMODULE loader = loader_module;
    auto *handler = com_handler.get();
    if (!environment_options) {
      environment_options =
          com_ref<webview2_environment_options>::adopt(new webview2_environment_options());
    }
    ICoreWebView2EnvironmentOptions *options = environment_options.get();
    if (shared_environment) {
      // Only the first browser: a replacement after a failure starts an environment of its own.
      ICoreWebView2Environment *held = shared_environment.get();
      held->AddRef(); // released with the last copy of the attempt
      const std::shared_ptr<ICoreWebView2Environment> env(
          held, [](ICoreWebView2Environment *e) { e->Release(); });
      com_handler->set_attempt_fn([handler, env] { return handler->create_controller(env.get()); });
      shared_environment.reset();
    } else {
      com_handler->set_attempt_fn([loader, folder = user_data_folder, handler, options] {
        return create_browser_environment(loader, folder, handler, options);
      });
    }
    com_handler->set_failure_fn([this](HRESULT result) { creation_failure = result; });
    com_handler->set_attempt_interval(static_cast<std::uint32_t>(deadlines.attempt_pause.count()));
    com_handler->try_create_environment();
    return wait_until([ready] { return *ready; }, deadlines.browser) == wait_outcome::quit;
  }

  wait_outcome wait_until(const std::function<bool()> &done, std::chrono::milliseconds limit) {
    return wait_for_messages(done, limit, quit_code);
  }

  // The engine's own handlers on the web view: process failures, the page's answer when its
  // window is closed, and finished navigations (the last address; recoveries count afresh).
  void attach_engine_handlers() {
    EventRegistrationToken token{};
    process_failed_handler =
        com_ref<webview2_process_failed_handler>::adopt(new webview2_process_failed_handler(
            [this](ICoreWebView2 *, ICoreWebView2ProcessFailedEventArgs *args) {
              COREWEBVIEW2_PROCESS_FAILED_KIND kind{};
              if (args != nullptr && SUCCEEDED(args->get_ProcessFailedKind(&kind))) {
                on_process_failed(kind);
              }
            }));
    browser->add_ProcessFailed(process_failed_handler.get(), &token);
    script_dialog_handler =
        com_ref<webview2_script_dialog_handler>::adopt(new webview2_script_dialog_handler(
            [this](ICoreWebView2 *, ICoreWebView2ScriptDialogOpeningEventArgs *args) {
              on_script_dialog(args);
            }));
    browser->add_ScriptDialogOpening(script_dialog_handler.get(), &token);
    navigation_handler = com_ref<webview2_navigation_completed_handler>::adopt(
        new webview2_navigation_completed_handler(
            [this](ICoreWebView2 *sender, ICoreWebView2NavigationCompletedEventArgs *args) {
              on_navigation_completed(sender, args);
            }));
    browser->add_NavigationCompleted(navigation_handler.get(), &token);
    navigation_starting_handler = com_ref<webview2_navigation_starting_handler>::adopt(
        new webview2_navigation_starting_handler(
            [this](ICoreWebView2 *, ICoreWebView2NavigationStartingEventArgs *args) {
              on_navigation_starting_event(args);
            }));
    browser->add_NavigationStarting(navigation_starting_handler.get(), &token);
    new_window_requested_handler = com_ref<webview2_new_window_requested_handler>::adopt(
        new webview2_new_window_requested_handler(
            [this](ICoreWebView2 *, ICoreWebView2NewWindowRequestedEventArgs *args) {
              if (new_window && args != nullptr) {
                new_window(std::make_shared<webview2_new_window_request>(args));
              }
            }));
    browser->add_NewWindowRequested(new_window_requested_handler.get(), &token);
    close_request_handler = com_ref<webview2_window_close_requested_handler>::adopt(
        new webview2_window_close_requested_handler([this](ICoreWebView2 *, IUnknown *) {
          if (close_requested) {
            close_requested();
          }
        }));
    browser->add_WindowCloseRequested(close_request_handler.get(), &token);
  }

  void on_navigation_starting_event(ICoreWebView2NavigationStartingEventArgs *args) {
    UINT64 id = 0;
    if (args == nullptr || FAILED(args->get_NavigationId(&id))) {
      return; // a navigation that cannot be told apart would hold replies for good
    }
    on_navigation_starting(id);
    if (leave_asked && !closing_navigation &&
        take_browser_text([args](LPWSTR *uri) { return args->get_Uri(uri); }) == "about:blank") {
      closing_navigation = id;
    }
  }

  void on_navigation_completed(ICoreWebView2 *sender,
                               ICoreWebView2NavigationCompletedEventArgs *args) {
    BOOL ok = FALSE;
    if (args == nullptr || FAILED(args->get_IsSuccess(&ok))) {
      return;
    }
    UINT64 id = 0;
    const bool id_known = SUCCEEDED(args->get_NavigationId(&id));
    if (id_known) {
      on_navigation_ended(id);
    }
    if (leave_asked) {
      on_closing_navigation_completed(id, id_known);
      return;
    }
    if (!ok) {
      return;
    }
    LPWSTR source = nullptr;
    if (sender != nullptr && SUCCEEDED(sender->get_Source(&source)) && source != nullptr) {
      remember_address(utf16_to_utf8(source));
      CoTaskMemFree(source);
    }
  }

  // The address a replaced browser goes back to: the last page, not a page of the engine's own.
  void remember_address(const std::string &url) {
    if (!url.empty() && url.compare(0, 6, "about:") != 0 && url.compare(0, 5, "data:") != 0) {
      last_address = url;
    }
  }

  // Bounds, visibility and, when asked, the keyboard focus.
  void show_browser(bool focus) {
    resize_browser();
    controller->put_IsVisible(TRUE);
    ShowWindow(widget_window, SW_SHOW);
    UpdateWindow(widget_window);
    if (focus) {
      controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    }
  }

  // Recovery (webview2_recovery.hh) and the close flow (win32_close_flow.hh) ----------------
  struct page_dialog {
    com_ref<ICoreWebView2ScriptDialogOpeningEventArgs> args;
    com_ref<ICoreWebView2Deferral> deferral; // null when the browser gave none
  };

  void on_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
  bool busy() const noexcept;
  void schedule_failures();
  void handle_failures();
  void ask_about_unresponsive_page();
  void replace_browser();
  void give_up_browser();
  void on_close_requested();
  void on_script_dialog(ICoreWebView2ScriptDialogOpeningEventArgs *args);
  void show_next_page_dialog();
  void answer_waiting_dialogs_unshown();
  void answer_page_dialog(page_dialog dialog);
  void on_leave_deadline();
  void on_closing_navigation_completed(std::uint64_t id, bool id_known);
  void after_dialog();
  std::wstring window_caption() const;
  void finish_leaving();
  void stay_on_page();
  void stop_leave_timer();

  void resize_browser() {
    RECT bounds;
    if (widget_window != nullptr && controller && GetClientRect(widget_window, &bounds)) {
      controller->put_Bounds(bounds);
    }
  }

  void focus_browser() {
    if (controller) {
      controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    }
  }

  // Window procedures ------------------------------------------------------------------------
  static win32_edge_engine *engine_of(HWND hwnd) {
    return reinterpret_cast<win32_edge_engine *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }

  using message_handler = LRESULT (win32_edge_engine::*)(HWND, UINT, WPARAM, LPARAM);

  // The frame shared by the three window procedures: the window is tied to its engine from
  // WM_NCCREATE (the creation parameter) to WM_DESTROY, gets DefWindowProcW while untied, and
  // lets no exception unwind through the system's message dispatch. The handler also sees
  // WM_NCCREATE (after the tie) and WM_DESTROY (after the untie); their results are fixed.
  template <HWND win32_edge_engine::*slot, message_handler handler>
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
      if (msg == WM_NCCREATE) {
        auto *engine =
            static_cast<win32_edge_engine *>(reinterpret_cast<CREATESTRUCTW *>(lp)->lpCreateParams);
        engine->*slot = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(engine));
        (engine->*handler)(hwnd, msg, wp, lp);
        return DefWindowProcW(hwnd, msg, wp, lp);
      }
      auto *engine = engine_of(hwnd);
      if (engine == nullptr) {
        return DefWindowProcW(hwnd, msg, wp, lp);
      }
      if (msg == WM_DESTROY) {
        engine->*slot = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        (engine->*handler)(hwnd, msg, wp, lp);
        return 0;
      }
      return (engine->*handler)(hwnd, msg, wp, lp);
    } catch (...) {
      return 0;
    }
  }

  LRESULT on_main_window_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT hooked = 0;
    if (main_window_hook && msg != WM_NCCREATE && msg != WM_DESTROY &&
        main_window_hook(msg, wp, lp, &hooked)) {
      return hooked;
    }
    switch (msg) {
    case WM_NCCREATE:
      enable_non_client_dpi_scaling_if_needed(hwnd);
      apply_window_theme(hwnd);
      return 0;
    case WM_DESTROY:
      on_window_destroyed(false);
      if (window_destroyed) {
        window_destroyed();
      }
      return 0;
    case WM_SIZE:
      if (widget_window != nullptr) {
        RECT r;
        if (GetClientRect(GetParent(widget_window), &r)) {
          MoveWindow(widget_window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) {
        focus_browser();
      }
      return 0;
    case WM_SETFOCUS:
      focus_browser(); // typing reaches the page without a click
      return 0;
    case WM_MOVE:
      if (controller) {
        controller->NotifyParentWindowPositionChanged(); // popups open at the new place
      }
      return 0;
    case WM_CLOSE:
      on_close_requested();
      return 0;
    case WM_TIMER:
      if (wp == leave_timer_id) {
        on_leave_deadline();
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_ERASEBKGND:
      return 1; // painted whole in WM_PAINT, so the window never flashes another colour
    case WM_PAINT:
      paint_starting_window(hwnd, startup);
      return 0;
    case WM_SETTINGCHANGE:
      if (lp != 0 && lstrcmpW(reinterpret_cast<LPCWSTR>(lp), L"ImmersiveColorSet") == 0) {
        apply_window_theme(main_window);
      }
      return 0;
    case WM_GETMINMAXINFO:
      on_get_min_max_info(reinterpret_cast<MINMAXINFO *>(lp));
      return 0;
    case WM_DPICHANGED:
      on_dpi_changed(HIWORD(wp));
      return 0;
    case 0x02E4: // WM_GETDPISCALEDSIZE
      on_get_dpi_scaled_size(static_cast<int>(wp), reinterpret_cast<SIZE *>(lp));
      return TRUE;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  void on_get_min_max_info(MINMAXINFO *info) {
    if (max_size.first > 0 && max_size.second > 0) {
      info->ptMaxSize = {max_size.first, max_size.second};
      info->ptMaxTrackSize = {max_size.first, max_size.second};
    }
    if (min_size.first > 0 && min_size.second > 0) {
      info->ptMinTrackSize = {min_size.first, min_size.second};
    }
  }

  // The client area scales by new / old and the top-left corner stays where it is.
  void on_dpi_changed(int new_dpi) {
    const int old_dpi = dpi;
    RECT r{};
    GetClientRect(main_window, &r);
    const int width = old_dpi != 0 ? (r.right - r.left) * new_dpi / old_dpi : r.right - r.left;
    const int height = old_dpi != 0 ? (r.bottom - r.top) * new_dpi / old_dpi : r.bottom - r.top;
    const auto size = window_size_for_client(main_window, width, height, new_dpi);
    SetWindowPos(main_window, nullptr, 0, 0, size.first, size.second,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    dpi = new_dpi;
  }

  void on_get_dpi_scaled_size(int new_dpi, SIZE *size) {
    RECT r{};
    GetClientRect(main_window, &r);
    if (dpi == 0) {
      return;
    }
    size->cx = (r.right - r.left) * new_dpi / dpi;
    size->cy = (r.bottom - r.top) * new_dpi / dpi;
  }

  LRESULT on_widget_window_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE:
    case WM_DESTROY:
      return 0;
    case WM_SIZE:
      resize_browser();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  LRESULT on_message_window_message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCCREATE:
    case WM_DESTROY:
      return 0;
    case WM_APP:
      if (lp != 0) {
        std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()> *>(lp));
        try {
          (*task)();
        } catch (...) {
          // A failing task must not stop the ones queued after it.
        }
      }
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
  }

  static LRESULT CALLBACK default_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  // Destruction ------------------------------------------------------------------------------
  // The handlers are disconnected first: the browser may still hold them and call them later.
  void release_browser() {
    let_go(com_handler, process_failed_handler, script_dialog_handler, navigation_handler,
           navigation_starting_handler, new_window_requested_handler, close_request_handler);
    browser.reset();
    controller.reset();
  }

  // Each handler is disconnected, then released.
  template <typename... Handlers> static void let_go(Handlers &...handlers) {
    (
        [](auto &handler) {
          if (handler) {
            handler->disconnect();
          }
        }(handlers),
        ...);
    (handlers.reset(), ...);
  }

  // From here on destroying the windows runs no engine handling (no WM_DESTROY bookkeeping).
  void detach_windows() {
    if (widget_window != nullptr) {
      SetWindowLongPtrW(widget_window, GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(default_window_proc));
    }
    if (main_window != nullptr && owns_window()) {
      SetWindowLongPtrW(main_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(default_window_proc));
    }
  }

  void destroy_widget_and_main_window() {
    if (widget_window != nullptr) {
      DestroyWindow(widget_window);
      widget_window = nullptr;
    }
    if (main_window != nullptr) {
      if (owns_window()) {
        DestroyWindow(main_window);
        on_window_destroyed(true);
      }
      main_window = nullptr;
    }
  }

  void destroy_message_window() {
    if (message_window != nullptr) {
      SetWindowLongPtrW(message_window, GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(default_window_proc));
      DestroyWindow(message_window);
      message_window = nullptr;
    }
  }

  void free_loader_and_com() {
    if (loader_module != nullptr) {
      FreeLibrary(loader_module);
      loader_module = nullptr;
    }
    if (com_initialized) {
      CoUninitialize();
      com_initialized = false;
    }
  }

  // A failed construction leaves no window pointing at the engine that is going away, and
  // frees the tasks queued for it without running them.
  void tear_down_after_failed_construction() {
    release_browser();
    detach_windows();
    destroy_widget_and_main_window();
    if (message_window != nullptr) {
      MSG msg;
      while (PeekMessageW(&msg, message_window, WM_APP, WM_APP, PM_REMOVE)) {
        delete reinterpret_cast<std::function<void()> *>(msg.lParam);
      }
    }
    destroy_message_window();
    free_loader_and_com();
  }

  bool com_initialized = false;
  HWND main_window = nullptr;
  HWND widget_window = nullptr;
  HWND message_window = nullptr;
  std::pair<int, int> min_size{0, 0};
  std::pair<int, int> max_size{0, 0};
  com_ref<ICoreWebView2> browser;
  com_ref<ICoreWebView2Controller> controller;
  com_ref<webview2_com_handler> com_handler;
  com_ref<webview2_environment_options> environment_options;
  // Why the last creation stopped, when the data folder is to blame.
  HRESULT creation_failure = S_OK;
  std::function<bool(const std::string &)> clipboard_read_filter;
  HMODULE loader_module = nullptr;
  int dpi = 0;
  bool window_shown = false;

  win32_edge_deadlines deadlines;
  bool debug;
  win32_edge_startup startup;
  bool destroying = false;
  int quit_code = 0; // of the WM_QUIT that ended the last wait
  std::wstring user_data_folder;
  webview2_com_handler::message_callback web_message_callback;
  com_ref<webview2_process_failed_handler> process_failed_handler;
  com_ref<webview2_script_dialog_handler> script_dialog_handler;
  com_ref<webview2_navigation_completed_handler> navigation_handler;
  com_ref<webview2_navigation_starting_handler> navigation_starting_handler;
  com_ref<webview2_new_window_requested_handler> new_window_requested_handler;
  com_ref<webview2_window_close_requested_handler> close_request_handler;
  std::function<void()> browser_created;
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT *)> main_window_hook;
  new_window_handler new_window;
  std::function<void()> close_requested;
  std::function<void()> window_destroyed;
  com_ref<ICoreWebView2Environment> shared_environment; // the first browser's, when given

  // Recovery
  webview2_recovery_policy recovery;
  std::string last_address = "about:blank";
  std::deque<COREWEBVIEW2_PROCESS_FAILED_KIND> failures; // reported, not yet handled
  bool failures_scheduled = false;
  bool constructing = false;
  int script_waits = 0; // script registrations waiting for the browser
  bool replacing = false;
  bool lost = false;

  // Closing and the page's dialogs
  static constexpr UINT_PTR leave_timer_id = 1;
  win32_prompt_texts texts;
  bool leave_asked = false;             // the page was asked whether it may be left
  bool closing_abandoned = false;       // the user chose to stay when the page did not answer
  bool closing_navigation_done = false; // the closing navigation ended while a question was up
  std::optional<std::uint64_t> closing_navigation;
  bool dialog_shown = false; // one of the engine's questions or the page's dialogs is up
  std::deque<page_dialog> waiting_dialogs;
};

} // namespace detail
} // namespace webview

#include "webview2_recovery.hh"
#include "win32_close_flow.hh"

#endif
