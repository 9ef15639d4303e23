// A read-only registry key: opened at construction, closed at destruction.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_REG_KEY_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_REG_KEY_HH

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace webview {
namespace detail {

class reg_key {
public:
  reg_key(HKEY root, const std::wstring &sub_key, DWORD options, REGSAM access) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, sub_key.c_str(), options, access, &handle) == ERROR_SUCCESS) {
      handle_ = handle;
    }
  }
  reg_key(const reg_key &) = delete;
  reg_key &operator=(const reg_key &) = delete;
  virtual ~reg_key() {
    if (handle_ != nullptr) {
      RegCloseKey(handle_);
    }
  }

  bool is_open() const noexcept { return handle_ != nullptr; }

  // The value's bytes whatever its type; empty when it is absent or unreadable.
  std::vector<unsigned char> value_bytes(const std::wstring &name) const {
    DWORD size = 0;
    if (!probe(name, size)) {
      return {};
    }
    std::vector<unsigned char> buffer(size);
    if (size > 0 && RegQueryValueExW(handle_, name.c_str(), nullptr, nullptr, buffer.data(),
                                     &size) != ERROR_SUCCESS) {
      return {};
    }
    return buffer;
  }

  // The first four bytes as a little-endian number; `fallback` when there are fewer.
  std::uint32_t value_dword(const std::wstring &name, std::uint32_t fallback) const {
    const auto bytes = value_bytes(name);
    if (bytes.size() < 4) {
      return fallback;
    }
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  }

  // The value as text without its trailing NULs; empty when absent or unreadable.
  std::wstring value_string(const std::wstring &name) const {
    DWORD size = 0;
    if (!probe(name, size)) {
      return {};
    }
    // Rounded up, so that an odd byte count still fits the buffer it is read into.
    std::vector<wchar_t> buffer((size + 1) / sizeof(wchar_t));
    if (size > 0 &&
        RegQueryValueExW(handle_, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<LPBYTE>(buffer.data()), &size) != ERROR_SUCCESS) {
      return {};
    }
    std::wstring text(buffer.data(), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
      text.pop_back();
    }
    return text;
  }

private:
  bool probe(const std::wstring &name, DWORD &size) const {
    if (handle_ == nullptr) {
      return false;
    }
    const LSTATUS status =
        RegQueryValueExW(handle_, name.c_str(), nullptr, nullptr, nullptr, &size);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
  }

  HKEY handle_ = nullptr;
};

} // namespace detail
} // namespace webview

#endif
