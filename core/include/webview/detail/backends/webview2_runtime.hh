// Finds the installed WebView2 Runtime and starts an environment from it: through the vendor's
// loader library when one was loaded, otherwise through the runtime's registration in the
// registry and its own client library.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RUNTIME_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RUNTIME_HH

#include "webview2_interfaces.hh"
#include "win32_library.hh"
#include "win32_reg_key.hh"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>

namespace webview {
namespace detail {

constexpr const wchar_t *webview2_runtime_client_id = L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr int webview2_minimum_build = 1150;
constexpr const wchar_t *webview2_loader_library = L"WebView2Loader.dll";

struct runtime_client {
  bool found = false;
  std::wstring library_path;
  std::wstring version;
  std::int32_t runtime_kind = 0;
};

// One dotted component the way wcstol reads it; no number, out of range or negative gives 0.
inline int parse_version_component(const std::wstring &text) {
  const wchar_t *begin = text.c_str();
  wchar_t *end = nullptr;
  errno = 0;
  const long value = std::wcstol(begin, &end, 10);
  if (end == begin || errno == ERANGE || value < 0 || value > INT_MAX) {
    return 0;
  }
  return static_cast<int>(value);
}

// The build number (third component) of a version text such as "120.0.2210.91"; 0 when absent.
inline int version_build_number(const std::wstring &version) {
  int components[4] = {0, 0, 0, 0};
  std::size_t start = 0;
  for (int i = 0; i < 4 && start < version.size(); ++i) {
    const std::size_t dot = version.find(L'.', start);
    const std::size_t end = dot == std::wstring::npos ? version.size() : dot;
    components[i] = parse_version_component(version.substr(start, end - start));
    if (dot == std::wstring::npos) {
      break;
    }
    start = dot + 1;
  }
  return components[2];
}

// Reads the runtime's registration under HKLM (machine_wide) or HKCU, 32-bit view.
inline runtime_client find_runtime_client(int minimum_build, bool machine_wide,
                                          const std::wstring &client_id) {
  const std::wstring key_path = L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\" + client_id;
  const std::wstring text = [&] {
    reg_key key(machine_wide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key_path, 0,
                KEY_READ | KEY_WOW64_32KEY);
    return key.is_open() ? key.value_string(L"EBWebView") : std::wstring();
  }();
  const std::size_t slash = text.rfind(L'\\');
  const std::wstring version =
      slash == std::wstring::npos ? std::wstring() : text.substr(slash + 1);
  if (version_build_number(version) < minimum_build) {
    return {};
  }
  runtime_client client;
  client.found = true;
  client.library_path = text;
  if (!text.empty() && text.back() != L'\\' && text.back() != L'/') {
    client.library_path += L'\\';
  }
  client.library_path += L"EBWebView\\";
  client.library_path += L"x64";
  client.library_path += L"\\EmbeddedBrowserWebView.dll";
  client.version = version;
  return client;
}

// Machine-wide registration first; the per-user one only when that finds nothing acceptable.
inline runtime_client find_installed_runtime_client() {
  auto client = find_runtime_client(webview2_minimum_build, true, webview2_runtime_client_id);
  if (!client.found) {
    client = find_runtime_client(webview2_minimum_build, false, webview2_runtime_client_id);
  }
  return client;
}

// The installed runtime's version text, allocated with CoTaskMemAlloc (the caller frees it).
inline HRESULT get_runtime_version(HMODULE loader_module, LPWSTR *version) {
  *version = nullptr;
  if (auto query = get_export<GetAvailableCoreWebView2BrowserVersionString_t>(
          loader_module, "GetAvailableCoreWebView2BrowserVersionString")) {
    return query(nullptr, version);
  }
  const auto client = find_installed_runtime_client();
  if (!client.found) {
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  const std::size_t bytes = (client.version.size() + 1) * sizeof(wchar_t);
  auto *copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (copy == nullptr) {
    return E_OUTOFMEMORY;
  }
  std::wmemcpy(copy, client.version.c_str(), client.version.size() + 1);
  *version = copy;
  return S_OK;
}

inline bool is_runtime_available(HMODULE loader_module) {
  LPWSTR version = nullptr;
  const HRESULT result = get_runtime_version(loader_module, &version);
  const bool available = SUCCEEDED(result) && version != nullptr;
  if (version != nullptr) {
    CoTaskMemFree(version);
  }
  return available;
}

// Starts one environment creation with `options` (null: the runtime's defaults); the environment
// arrives later through `handler`.
inline HRESULT
create_browser_environment(HMODULE loader_module, const std::wstring &user_data_folder,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler *handler,
                           ICoreWebView2EnvironmentOptions *options = nullptr) {
  if (auto create = get_export<CreateCoreWebView2EnvironmentWithOptions_t>(
          loader_module, "CreateCoreWebView2EnvironmentWithOptions")) {
    return create(nullptr, user_data_folder.c_str(), options, handler);
  }
  const auto client = find_installed_runtime_client();
  if (!client.found) {
    return static_cast<HRESULT>(0xFFFFFFFF);
  }
  native_library library(load_library_at(client.library_path));
  if (!library.is_loaded()) {
    // No completion will come: fail the attempt so that it is retried and finally reported.
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  }
  if (auto create = library.get<CreateWebViewEnvironmentWithOptionsInternal_t>(
          "CreateWebViewEnvironmentWithOptionsInternal")) {
    return create(1, client.runtime_kind, user_data_folder.c_str(), options, handler);
  }
  // A library that says it cannot be unloaded yet (S_FALSE) stays loaded.
  auto can_unload = library.get<DllCanUnloadNow_t>("DllCanUnloadNow");
  if (can_unload != nullptr && can_unload() == S_FALSE) {
    library.release();
  }
  return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

} // namespace detail
} // namespace webview

#endif
