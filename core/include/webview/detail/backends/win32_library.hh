// Loading modules from fixed places only, never from the working directory or the PATH, and
// typed lookups of their exports.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_LIBRARY_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_LIBRARY_HH

#include <windows.h>

#include <string>

namespace webview {
namespace detail {

// Typed GetProcAddress: null when the module is null or lacks the export.
template <typename Fn> Fn get_export(HMODULE module, const char *name) {
  if (module == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// A library of the operating system (dwmapi.dll, shcore.dll, ...), from System32 only: a file of
// the same name in the working directory must never be taken for it.
inline HMODULE load_system_library(const wchar_t *name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The folder of the process's executable, with a trailing backslash; empty when unknown.
inline std::wstring executable_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) {
      return {};
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2); // truncated: a longer path
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A library shipped with the program (the WebView2 loader), from the executable's folder only;
// what it imports comes from there or from System32.
inline HMODULE load_library_beside_executable(const wchar_t *name) {
  const std::wstring folder = executable_folder();
  if (folder.empty()) {
    return nullptr;
  }
  return LoadLibraryExW((folder + name).c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A library at an absolute path (a relative one is refused); what it imports comes from its own
// folder or from System32, never from the working directory.
inline HMODULE load_library_at(const std::wstring &absolute_path) {
  return LoadLibraryExW(absolute_path.c_str(), nullptr,
                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Owns one reference to a loaded module and frees it on destruction.
class native_library {
public:
  // Takes over `module`, a reference the caller got from one of the loads above (or null).
  explicit native_library(HMODULE module) noexcept : module_(module) {}
  native_library(const native_library &) = delete;
  native_library &operator=(const native_library &) = delete;
  ~native_library() { reset(); }

  bool is_loaded() const noexcept { return module_ != nullptr; }
  HMODULE get() const noexcept { return module_; }
  void reset() {
    if (module_ != nullptr) {
      FreeLibrary(module_);
      module_ = nullptr;
    }
  }
  // Gives up ownership: the module stays loaded.
  HMODULE release() noexcept {
    HMODULE module = module_;
    module_ = nullptr;
    return module;
  }
  template <typename Fn> Fn get(const char *name) const { return get_export<Fn>(module_, name); }

private:
  HMODULE module_;
};

} // namespace detail
} // namespace webview

#endif
