// What the self-tests of the double need to act as a client program: the modules' paths, handler
// objects of the test's own, a message pump, windows, and a fixture that loads one flavour of
// the double (loader library or runtime client library) and creates objects through it.

#ifndef WV2D_TEST_DOUBLE_CLIENT_HH
#define WV2D_TEST_DOUBLE_CLIENT_HH

#include "webview2_double.h"

#include "webview/detail/backends/webview2_interfaces.hh"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace wv2d_test {

// Full path of a module of the double, from its path relative to the test executable (the
// WV2D_PATH_* compile definitions).
std::wstring module_path(const char *relative);

// Full path of the directory that holds the test executable, with a trailing backslash.
std::wstring executable_directory();

// The bytes of the file at `path` (empty when it cannot be read).
std::string read_file(const std::wstring &path);

// Writes `content` to the file at `path`; returns whether that worked.
bool write_file(const std::wstring &path, const std::string &content);

// A path for a temporary file of this process, named after `name`.
std::wstring temporary_path(const std::wstring &name);

// UTF-16 text from ASCII/UTF-8 literal text.
std::wstring widen(const std::string &text);

// A counted reference held by the test.
template <typename T> class Ref {
public:
  Ref() = default;
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  Ref(Ref &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~Ref() { reset(); }

  // Takes an additional reference to `object`.
  void assign(T *object) {
    if (object) {
      object->AddRef();
    }
    reset();
    object_ = object;
  }
  T *get() const { return object_; }
  T *operator->() const { return object_; }
  // For out-parameters: the reference written there is owned by this Ref.
  T **put() {
    reset();
    return &object_;
  }
  void reset() {
    if (T *object = std::exchange(object_, nullptr)) {
      object->Release();
    }
  }

private:
  T *object_ = nullptr;
};

// A handler object of the test (on the stack): counts its references without deleting itself,
// records each Invoke and passes the arguments to on_invoke.
template <typename Interface, typename First, typename Second> class Handler : public Interface {
public:
  std::function<void(First, Second)> on_invoke;
  int invocations = 0;
  DWORD invoking_thread = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
    if (!object) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(Interface))) {
      *object = static_cast<Interface *>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE Invoke(First first, Second second) override {
    ++invocations;
    invoking_thread = GetCurrentThreadId();
    if (on_invoke) {
      on_invoke(first, second);
    }
    return S_OK;
  }

  // References held by anyone (1 is the test's own).
  ULONG references() const { return references_; }

private:
  ULONG references_ = 1;
};

using EnvironmentHandler = Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                                   HRESULT, ICoreWebView2Environment *>;
using ControllerHandler = Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                                  HRESULT, ICoreWebView2Controller *>;
using ScriptAddedHandler =
    Handler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
using ExecuteScriptHandler = Handler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;
using WebMessageHandler = Handler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2 *,
                                  ICoreWebView2WebMessageReceivedEventArgs *>;
using PermissionHandler = Handler<ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2 *,
                                  ICoreWebView2PermissionRequestedEventArgs *>;
using NavigationHandler = Handler<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2 *,
                                  ICoreWebView2NavigationCompletedEventArgs *>;
using TitleHandler =
    Handler<ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2 *, IUnknown *>;
using ScriptDialogHandler = Handler<ICoreWebView2ScriptDialogOpeningEventHandler, ICoreWebView2 *,
                                    ICoreWebView2ScriptDialogOpeningEventArgs *>;
using NavigationStartingHandler =
    Handler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2 *,
            ICoreWebView2NavigationStartingEventArgs *>;
using NewWindowHandler = Handler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2 *,
                                 ICoreWebView2NewWindowRequestedEventArgs *>;
using WindowCloseHandler =
    Handler<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2 *, IUnknown *>;
using ContentLoadingHandler = Handler<ICoreWebView2ContentLoadingEventHandler, ICoreWebView2 *,
                                      ICoreWebView2ContentLoadingEventArgs *>;

// Dispatches the thread's messages (all windows) until `done` holds or `timeout_ms` passes;
// returns whether `done` holds.
bool pump_until(const std::function<bool()> &done, DWORD timeout_ms = 5000);

// Dispatches the thread's messages for `duration_ms`.
void pump_for(DWORD duration_ms);

// A string the double allocated with CoTaskMemAlloc, freed with CoTaskMemFree.
class CoTaskText {
public:
  CoTaskText() = default;
  CoTaskText(const CoTaskText &) = delete;
  CoTaskText &operator=(const CoTaskText &) = delete;
  ~CoTaskText() { CoTaskMemFree(text_); }
  LPWSTR *put() {
    CoTaskMemFree(text_);
    text_ = nullptr;
    return &text_;
  }
  LPCWSTR get() const { return text_; }
  std::wstring str() const { return text_ ? text_ : L""; }

private:
  LPWSTR text_ = nullptr;
};

// A hidden top-level window with a visible child window, destroyed at the end of the scope. Counts
// the WM_CLOSE messages the top-level window receives (and does not close on them).
class TestWindows {
public:
  TestWindows();
  TestWindows(const TestWindows &) = delete;
  TestWindows &operator=(const TestWindows &) = delete;
  ~TestWindows();

  HWND top() const { return top_; }
  HWND child() const { return child_; }
  int close_requests() const;

private:
  HWND top_ = nullptr;
  HWND child_ = nullptr;
};

// Which module of the double a test drives.
enum class Flavour { loader, runtime };

std::string flavour_name(const testing::TestParamInfo<Flavour> &info);

// Loads one flavour of the double, initialises COM (single-threaded apartment) and resets the
// double around each test; at the end no object of the double may be alive.
class DoubleTest : public testing::TestWithParam<Flavour> {
protected:
  void SetUp() override;
  void TearDown() override;

  // The flavour's creation entry point with (null browser folder or (1, 0), `folder`, null
  // options, `handler`), as the program calls it.
  HRESULT create_environment(const wchar_t *folder, EnvironmentHandler &handler);
  // The name of the flavour's creation entry point, as logged.
  std::string creation_name() const;
  // The log line of create_environment(folder, ...).
  std::string creation_line(const std::string &folder) const;

  // An environment, created and completed.
  void make_environment(Ref<ICoreWebView2Environment> &environment);
  // A controller of `environment` for `parent` and its web view, created and completed; the log
  // is cleared afterwards.
  void make_controller(ICoreWebView2Environment *environment, HWND parent,
                       Ref<ICoreWebView2Controller> &controller, Ref<ICoreWebView2> &web_view);
  // The same in an environment of its own.
  void make_web_view(HWND parent, Ref<ICoreWebView2Controller> &controller,
                     Ref<ICoreWebView2> &web_view);

  HMODULE module_ = nullptr;
  wv2d::Api api_;
};

// A DoubleTest with a web view open in a child window for the whole test; TearDown closes it
// before anything of the derived fixture goes away.
class OpenWebViewTest : public DoubleTest {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DoubleTest::SetUp());
    windows_ = std::make_unique<TestWindows>();
    ASSERT_NO_FATAL_FAILURE(make_web_view(windows_->child(), controller_, web_view_));
  }
  void TearDown() override {
    close_web_view();
    DoubleTest::TearDown();
  }
  void close_web_view() {
    web_view_.reset();
    controller_.reset();
    windows_.reset();
  }

  std::unique_ptr<TestWindows> windows_;
  Ref<ICoreWebView2Controller> controller_;
  Ref<ICoreWebView2> web_view_;
};

} // namespace wv2d_test

#endif // WV2D_TEST_DOUBLE_CLIENT_HH
