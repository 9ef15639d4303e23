// Strict conversions between the core's UTF-8 strings and the UTF-16 text of Win32 and the
// browser. Ill-formed input anywhere gives an empty result, never a partial one.
#ifndef WEBVIEW_DETAIL_UTF_HH
#define WEBVIEW_DETAIL_UTF_HH

#include <climits>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "utf_portable.hh"
#endif

namespace webview {
namespace detail {

#ifdef _WIN32
using utf16_string = std::wstring;

inline std::wstring utf8_to_utf16(const std::string &s) {
  // The system counts in 32-bit signed lengths; a longer text cannot be passed in one call.
  if (s.empty() || s.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const int n = static_cast<int>(s.size());
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), n, nullptr, 0);
  if (length <= 0) {
    return {};
  }
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), n, &result[0], length) <= 0) {
    return {};
  }
  return result;
}

inline std::string utf16_to_utf8(const std::wstring &ws) {
  if (ws.empty() || ws.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const int n = static_cast<int>(ws.size());
  const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, ws.data(), n, nullptr, 0,
                                         nullptr, nullptr);
  if (length <= 0) {
    return {};
  }
  std::string result(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, ws.data(), n, &result[0], length, nullptr,
                          nullptr) <= 0) {
    return {};
  }
  return result;
}
#else
using utf16_string = std::u16string;

inline std::u16string utf8_to_utf16(const std::string &s) {
  return portable::utf8_to_utf16<std::u16string>(s);
}

inline std::string utf16_to_utf8(const std::u16string &ws) {
  return portable::utf16_to_utf8(ws);
}
#endif

} // namespace detail
} // namespace webview

#endif
