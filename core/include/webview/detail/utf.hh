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

// Leading and trailing runs of ASCII are converted here, a word at a time; the system converts
// what lies between. The result is the same as converting everything at once: a multi-byte
// sequence never contains an ASCII byte, so the middle is well-formed exactly when the whole
// text is. (A launch file's reply is ASCII but for the file's name near its start.)
inline std::wstring utf8_to_utf16(const std::string &s) {
  // The system counts in 32-bit signed lengths; a longer text cannot be passed in one call.
  if (s.empty() || s.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const std::size_t head = ascii_words::ascii_prefix(s.data(), s.size());
  const std::size_t tail = ascii_words::ascii_suffix(s.data() + head, s.size() - head);
  const char *middle = s.data() + head;
  const int n = static_cast<int>(s.size() - head - tail);
  int length = 0;
  if (n > 0) {
    length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, middle, n, nullptr, 0);
    if (length <= 0) {
      return {};
    }
  }
  std::wstring result(head + static_cast<std::size_t>(length) + tail, L'\0');
  ascii_words::widen_ascii(s.data(), head, &result[0]);
  if (n > 0 &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, middle, n, &result[head], length) <= 0) {
    return {};
  }
  ascii_words::widen_ascii(middle + n, tail, &result[head + static_cast<std::size_t>(length)]);
  return result;
}

// The mirror image: an unpaired surrogate is never ASCII, so the middle is well-formed exactly
// when the whole text is.
inline std::string utf16_to_utf8(const std::wstring &ws) {
  if (ws.empty() || ws.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const std::size_t head = ascii_words::ascii_prefix16(ws.data(), ws.size());
  const std::size_t tail = ascii_words::ascii_suffix16(ws.data() + head, ws.size() - head);
  const wchar_t *middle = ws.data() + head;
  const int n = static_cast<int>(ws.size() - head - tail);
  int length = 0;
  if (n > 0) {
    length =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, middle, n, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
      return {};
    }
  }
  std::string result(head + static_cast<std::size_t>(length) + tail, '\0');
  ascii_words::narrow_ascii(ws.data(), head, &result[0]);
  if (n > 0 && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, middle, n, &result[head], length,
                                   nullptr, nullptr) <= 0) {
    return {};
  }
  ascii_words::narrow_ascii(middle + n, tail, &result[head + static_cast<std::size_t>(length)]);
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
