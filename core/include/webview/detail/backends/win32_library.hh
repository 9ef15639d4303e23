// A module loaded by name for the span of one use, and typed lookups of its exports.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_LIBRARY_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_LIBRARY_HH

#include <windows.h>

namespace webview {
namespace detail {

// Typed GetProcAddress: null when the module is null or lacks the export.
template <typename Fn> Fn get_export(HMODULE module, const char *name) {
  if (module == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// Owns one LoadLibraryW reference and frees it on destruction.
class native_library {
public:
  explicit native_library(const wchar_t *name) : module_(LoadLibraryW(name)) {}
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
