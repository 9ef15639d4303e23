// Strict conversions between the core's UTF-8 strings and the UTF-16 text of Win32 and the
// browser. Ill-formed input anywhere gives an empty result, never a partial one.
#ifndef WEBVIEW_DETAIL_UTF_HH
#define WEBVIEW_DETAIL_UTF_HH

#include "ascii_words.hh"

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

// A leading run of ASCII is converted here, a word at a time; the system converts the rest. The
// result is the same as converting everything at once: a multi-byte sequence never starts in the
// ASCII run, so the rest is well-formed exactly when the whole text is.
inline std::wstring utf8_to_utf16(const std::string &s) {
  // The system counts in 32-bit signed lengths; a longer text cannot be passed in one call.
  if (s.empty() || s.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const std::size_t ascii = ascii_words::ascii_prefix(s.data(), s.size());
  const char *rest = s.data() + ascii;
  const int n = static_cast<int>(s.size() - ascii);
  int length = 0;
  if (n > 0) {
    length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, rest, n, nullptr, 0);
    if (length <= 0) {
      return {};
    }
  }
  std::wstring result(ascii + static_cast<std::size_t>(length), L'\0');
  ascii_words::widen_ascii(s.data(), ascii, &result[0]);
  if (n > 0 &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, rest, n, &result[ascii], length) <= 0) {
    return {};
  }
  return result;
}

inline std::string utf16_to_utf8(const std::wstring &ws) {
  if (ws.empty() || ws.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const std::size_t ascii = ascii_words::ascii_prefix16(ws.data(), ws.size());
  const wchar_t *rest = ws.data() + ascii;
  const int n = static_cast<int>(ws.size() - ascii);
  int length = 0;
  if (n > 0) {
    length =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, rest, n, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
      return {};
    }
  }
  std::string result(ascii + static_cast<std::size_t>(length), '\0');
  ascii_words::narrow_ascii(ws.data(), ascii, &result[0]);
  if (n > 0 && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, rest, n, &result[ascii], length,
                                   nullptr, nullptr) <= 0) {
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
