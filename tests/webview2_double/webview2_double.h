// Control interface of the WebView2 Runtime test double.
//
// The double is built as WebView2Loader.dll and EmbeddedBrowserWebView.dll. Besides the runtime's
// own entry points, both export the C functions listed in WV2D_API below; a test reaches them
// through the module it loaded (each module has its own state). In C++ the header-only helper
// wv2d::Api at the end of this file finds them with GetProcAddress:
//
//   HMODULE module = LoadLibraryW(path_of_the_double);
//   wv2d::Api double_api = wv2d::Api::load(module);
//   double_api.set_fault("put_AreDevToolsEnabled", S_FALSE, 1);
//   ...
//   EXPECT_EQ(double_api.program_calls(), (std::vector<std::string>{...}));
//
// README.md beside this file describes the log format, the fault names, the configuration text
// and the environment variables.

#ifndef WEBVIEW2_DOUBLE_H
#define WEBVIEW2_DOUBLE_H

#include <windows.h>

#include <stddef.h>

// X(return type, name, parameter list) for every exported control function.
//
// wv2d_reset                 back to the state just after loading: log, faults, scripted rules
//                            and pending callbacks dropped, WV2_DOUBLE_LOG and WV2_DOUBLE_CONFIG
//                            read again. Live COM objects are not touched.
// wv2d_configure             applies configuration text (README.md); returns the number of
//                            rejected lines (0 when everything was accepted).
// wv2d_set_fault             the next `times` calls named `name` (times < 0: every call, 0: clear)
//                            return `result` without doing their work; for a callback name
//                            (EnvironmentCompleted, ControllerCompleted, ScriptAdded,
//                            ExecuteScriptCompleted) the callback delivers `result` and a null
//                            object or text instead.
// wv2d_set_browser_version   version text of the runtime; null restores "120.0.2210.91".
// wv2d_get_log               copies the log (UTF-8 lines, each ending in '\n') into `buffer`,
//                            NUL-terminated and truncated to `capacity`; returns the full length.
// wv2d_clear_log             empties the in-process log (the log file is left alone).
// wv2d_live_objects          number of the double's COM objects still alive.
// wv2d_pending_callbacks     callbacks and scripted actions queued but not yet delivered.
// wv2d_raise_process_failed  a process of the browser failed (COREWEBVIEW2_PROCESS_FAILED_KIND);
//                            kind 0 (browser exited) also closes the web view.
// wv2d_raise_script_dialog   the page opens a dialog (COREWEBVIEW2_SCRIPT_DIALOG_KIND); while
//                            the current document was loaded with default script dialogs on,
//                            WebView2's own dialog answers it (accepted) and no handler runs.
// wv2d_raise_navigation_starting  a top-level navigation to `uri` (null: the current source)
//                            starts; its id is the count of the program's navigations.
// wv2d_raise_new_window      the page asks for a new window at `uri` (window.open, a link with a
//                            target); `features` is window.open's feature text, e.g.
//                            "left=10,top=20,width=400,height=300" (null: none, a plain window).
//                            The request settles when the handlers return, or at the
//                            Complete of a deferral one of them took (README.md).
// wv2d_raise_window_close_requested  the page asks to close its window (window.close()).
// wv2d_raise_*               raise an event on the newest open web view, synchronously, on the
//                            calling thread; return the number of handlers invoked, or -1 when
//                            no web view is open. `state` receives the permission state the
//                            handlers left (0 default, 1 allow, 2 deny). A null `source` keeps
//                            the web view's current source.
#define WV2D_API(X)                                                                                \
  X(void, wv2d_reset, (void))                                                                      \
  X(int, wv2d_configure, (const char *text))                                                       \
  X(void, wv2d_set_fault, (const char *name, HRESULT result, int times))                           \
  X(void, wv2d_set_browser_version, (const wchar_t *version))                                      \
  X(size_t, wv2d_get_log, (char *buffer, size_t capacity))                                         \
  X(void, wv2d_clear_log, (void))                                                                  \
  X(long, wv2d_live_objects, (void))                                                               \
  X(long, wv2d_pending_callbacks, (void))                                                          \
  X(int, wv2d_raise_web_message, (const wchar_t *text))                                            \
  X(int, wv2d_raise_web_message_json, (const wchar_t *json))                                       \
  X(int, wv2d_raise_permission_requested, (int kind, const wchar_t *uri, int *state))              \
  X(int, wv2d_raise_navigation_completed,                                                          \
    (int is_success, int web_error_status, const wchar_t *source))                                 \
  X(int, wv2d_raise_document_title_changed, (const wchar_t *title))                                \
  X(int, wv2d_raise_process_failed, (int kind))                                                    \
  X(int, wv2d_raise_script_dialog, (int kind, const wchar_t *message))                             \
  X(int, wv2d_raise_web_message_from, (const wchar_t *source, const wchar_t *text))                \
  X(int, wv2d_raise_content_loading, (void))                                                       \
  X(int, wv2d_raise_navigation_starting, (const wchar_t *uri))                                     \
  X(int, wv2d_raise_new_window, (const wchar_t *uri, const wchar_t *features))                     \
  X(int, wv2d_raise_window_close_requested, (void))

#ifdef __cplusplus

#include <unknwn.h>

#include <cstdio>
#include <string>
#include <vector>

// The arguments of NewWindowRequested, as published (slot order included). They live in
// namespace wv2d so that a declaration of the same interfaces elsewhere cannot clash with them;
// the runtime hands them to handlers declared with the global names.
struct ICoreWebView2;
struct ICoreWebView2Deferral;

namespace wv2d {

struct DECLSPEC_UUID("5EAF559F-B46E-4397-8860-E422F287FF1E")
    DECLSPEC_NOVTABLE ICoreWebView2WindowFeatures : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_HasPosition(BOOL *value) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE get_HasSize(BOOL *value) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_Left(UINT32 *value) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE get_Top(UINT32 *value) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_Height(UINT32 *value) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE get_Width(UINT32 *value) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayMenuBar(BOOL *value) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayStatus(BOOL *value) = 0;
  /* 11 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayToolbar(BOOL *value) = 0;
  /* 12 */ virtual HRESULT STDMETHODCALLTYPE get_ShouldDisplayScrollBars(BOOL *value) = 0;
};

struct DECLSPEC_UUID("34ACB11C-FC37-4418-9132-F9C21D1EAFB9")
    DECLSPEC_NOVTABLE ICoreWebView2NewWindowRequestedEventArgs : public IUnknown {
  /* 3 */ virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR *uri) = 0;
  /* 4 */ virtual HRESULT STDMETHODCALLTYPE put_NewWindow(::ICoreWebView2 *new_window) = 0;
  /* 5 */ virtual HRESULT STDMETHODCALLTYPE get_NewWindow(::ICoreWebView2 **new_window) = 0;
  /* 6 */ virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
  /* 7 */ virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL *handled) = 0;
  /* 8 */ virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL *is_user_initiated) = 0;
  /* 9 */ virtual HRESULT STDMETHODCALLTYPE GetDeferral(::ICoreWebView2Deferral **deferral) = 0;
  /* 10 */ virtual HRESULT STDMETHODCALLTYPE
  get_WindowFeatures(ICoreWebView2WindowFeatures **value) = 0;
};

} // namespace wv2d

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(wv2d::ICoreWebView2WindowFeatures, 0x5EAF559F, 0xB46E, 0x4397, 0x88, 0x60, 0xE4,
                0x22, 0xF2, 0x87, 0xFF, 0x1E)
__CRT_UUID_DECL(wv2d::ICoreWebView2NewWindowRequestedEventArgs, 0x34ACB11C, 0xFC37, 0x4418, 0x91,
                0x32, 0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9)
#endif

namespace wv2d {

// The control functions of one loaded double module.
struct Api {
#define WV2D_MEMBER(ret, name, params) ret(*name) params = nullptr;
  WV2D_API(WV2D_MEMBER)
#undef WV2D_MEMBER

  HMODULE module = nullptr;

  // Looks every function up in `module`; valid() tells whether all were found.
  static Api load(HMODULE module) {
    Api api;
    api.module = module;
    if (module) {
#define WV2D_LOOKUP(ret, name, params)                                                             \
  api.name =                                                                                       \
      reinterpret_cast<ret(*) params>(reinterpret_cast<void *>(GetProcAddress(module, #name)));
      WV2D_API(WV2D_LOOKUP)
#undef WV2D_LOOKUP
    }
    return api;
  }

  // The module already loaded under `name` (a file name or a full path).
  static Api loaded(const wchar_t *name) {
    return load(GetModuleHandleW(name));
  }

  bool valid() const {
    bool all = module != nullptr;
#define WV2D_CHECK(ret, name, params) all = all && name != nullptr;
    WV2D_API(WV2D_CHECK)
#undef WV2D_CHECK
    return all;
  }

  void reset() const {
    wv2d_reset();
  }
  int configure(const std::string &text) const {
    return wv2d_configure(text.c_str());
  }
  void set_fault(const char *name, HRESULT result, int times) const {
    wv2d_set_fault(name, result, times);
  }
  long live_objects() const {
    return wv2d_live_objects();
  }
  long pending_callbacks() const {
    return wv2d_pending_callbacks();
  }
  void clear_log() const {
    wv2d_clear_log();
  }

  std::string log() const {
    std::string text(wv2d_get_log(nullptr, 0), '\0');
    wv2d_get_log(text.empty() ? nullptr : &text[0], text.size() + 1);
    return text;
  }

  // Every log line, without its line end.
  std::vector<std::string> log_lines() const {
    std::vector<std::string> lines;
    const std::string text = log();
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  // The lines that record calls made by the program: without the double's own callbacks
  // ("-> ...") and notes ("# ...").
  std::vector<std::string> program_calls() const {
    std::vector<std::string> calls;
    for (const std::string &line : log_lines()) {
      if (line.rfind("-> ", 0) != 0 && line.rfind("# ", 0) != 0) {
        calls.push_back(line);
      }
    }
    return calls;
  }
};

// A window handle as the log writes it: "0x" and upper-case hexadecimal digits.
inline std::string handle_text(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
  return text;
}

// An HRESULT as the log writes it: "0x" and eight upper-case hexadecimal digits.
inline std::string hresult_text(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

} // namespace wv2d

#endif // __cplusplus

#endif // WEBVIEW2_DOUBLE_H
