#include "double_client.hh"

#include <map>
#include <vector>

namespace wv2d_test {
namespace {

std::map<HWND, int> &close_counts() {
  static std::map<HWND, int> counts;
  return counts;
}

LRESULT CALLBACK test_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    ++close_counts()[window];
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

const wchar_t *test_window_class() {
  static const ATOM atom = [] {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = test_window_procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"WebView2DoubleTestWindow";
    return RegisterClassExW(&window_class);
  }();
  return atom ? L"WebView2DoubleTestWindow" : nullptr;
}

} // namespace

std::wstring executable_directory() {
  std::vector<wchar_t> path(MAX_PATH);
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  std::wstring directory(path.data(), length);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

std::string read_file(const std::wstring &path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  CloseHandle(file);
  return content;
}

bool write_file(const std::wstring &path, const std::string &content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
      written == content.size();
  CloseHandle(file);
  return ok;
}

std::wstring temporary_path(const std::wstring &name) {
  wchar_t directory[MAX_PATH];
  GetTempPathW(MAX_PATH, directory);
  return std::wstring(directory) + L"wv2d_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

std::wstring widen(const std::string &text) {
  if (text.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::wstring module_path(const char *relative) {
  std::wstring path = executable_directory() + widen(relative);
  for (wchar_t &c : path) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  return path;
}

bool pump_until(const std::function<bool()> &done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

void pump_for(DWORD duration_ms) {
  pump_until([] { return false; }, duration_ms);
}

TestWindows::TestWindows() {
  top_ = CreateWindowExW(0, test_window_class(), L"double test", WS_OVERLAPPEDWINDOW, 10, 10, 400,
                         300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  child_ = CreateWindowExW(0, test_window_class(), L"widget", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200,
                           top_, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TestWindows::~TestWindows() {
  DestroyWindow(top_); // destroys the child too
  close_counts().erase(top_);
}

int TestWindows::close_requests() const {
  const auto found = close_counts().find(top_);
  return found == close_counts().end() ? 0 : found->second;
}

std::string flavour_name(const testing::TestParamInfo<Flavour> &info) {
  return info.param == Flavour::loader ? "Loader" : "Runtime";
}

void DoubleTest::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  const char *relative = GetParam() == Flavour::loader ? WV2D_PATH_WEBVIEW2_DOUBLE_LOADER
                                                       : WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME;
  module_ = LoadLibraryW(module_path(relative).c_str());
  ASSERT_NE(module_, nullptr) << relative;
  api_ = wv2d::Api::load(module_);
  ASSERT_TRUE(api_.valid());
  api_.reset();
}

void DoubleTest::TearDown() {
  if (api_.valid()) {
    // Whatever is still queued holds handlers of the test, which are about to go away.
    api_.reset();
    EXPECT_EQ(api_.live_objects(), 0);
  }
  if (module_) {
    FreeLibrary(module_);
  }
  CoUninitialize();
}

HRESULT DoubleTest::create_environment(const wchar_t *folder, EnvironmentHandler &handler) {
  if (GetParam() == Flavour::loader) {
    auto create = reinterpret_cast<webview::detail::CreateCoreWebView2EnvironmentWithOptions_t>(
        reinterpret_cast<void *>(
            GetProcAddress(module_, "CreateCoreWebView2EnvironmentWithOptions")));
    return create(nullptr, folder, nullptr, &handler);
  }
  auto create = reinterpret_cast<webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t>(
      reinterpret_cast<void *>(
          GetProcAddress(module_, "CreateWebViewEnvironmentWithOptionsInternal")));
  return create(1, 0, folder, nullptr, &handler);
}

std::string DoubleTest::creation_name() const {
  return GetParam() == Flavour::loader ? "CreateCoreWebView2EnvironmentWithOptions"
                                       : "CreateWebViewEnvironmentWithOptionsInternal";
}

std::string DoubleTest::creation_line(const std::string &folder) const {
  return creation_name() + (GetParam() == Flavour::loader ? " (null) " : " 1 0 ") + folder +
         " null";
}

void DoubleTest::make_environment(Ref<ICoreWebView2Environment> &environment) {
  EnvironmentHandler handler;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Environment *created) {
    ASSERT_EQ(result, S_OK);
    environment.assign(created);
  };
  ASSERT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  ASSERT_NE(environment.get(), nullptr);
}

void DoubleTest::make_web_view(HWND parent, Ref<ICoreWebView2Controller> &controller,
                               Ref<ICoreWebView2> &web_view) {
  Ref<ICoreWebView2Environment> environment;
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));
  make_controller(environment.get(), parent, controller, web_view);
}

void DoubleTest::make_controller(ICoreWebView2Environment *environment, HWND parent,
                                 Ref<ICoreWebView2Controller> &controller,
                                 Ref<ICoreWebView2> &web_view) {
  ControllerHandler handler;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *created) {
    ASSERT_EQ(result, S_OK);
    controller.assign(created);
  };
  ASSERT_EQ(environment->CreateCoreWebView2Controller(parent, &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  ASSERT_NE(controller.get(), nullptr);
  ASSERT_EQ(controller->get_CoreWebView2(web_view.put()), S_OK);
  ASSERT_NE(web_view.get(), nullptr);
  api_.clear_log();
}

} // namespace wv2d_test
