// Strict UTF-8 <-> UTF-16 codec in plain C++: any ill-formed input gives an empty result.
// It accepts exactly what the Win32 conversions accept with their reject-invalid flags, so the
// engine behaves the same where there is no Win32.
#ifndef WEBVIEW_DETAIL_UTF_PORTABLE_HH
#define WEBVIEW_DETAIL_UTF_PORTABLE_HH

#include "ascii_words.hh"

#include <cstddef>
#include <string>

namespace webview {
namespace detail {
namespace portable {

// Decodes one well-formed UTF-8 sequence at s[i]; returns its length, or 0 when ill-formed
// (truncated, overlong, a surrogate, above U+10FFFF, a stray continuation byte).
inline std::size_t decode_utf8(const unsigned char *s, std::size_t n, std::size_t i, char32_t &cp) {
  const unsigned char b0 = s[i];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, min = 0x80, cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, min = 0x800, cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, min = 0x10000, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (n - i < len) {
    return 0;
  }
  for (std::size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return len;
}

// Runs of ASCII are widened a word at a time; the result never has more units than the input
// has bytes, so it is sized once and cut to length at the end.
template <typename String16> String16 utf8_to_utf16(const std::string &in) {
  using unit = typename String16::value_type;
  const auto *s = reinterpret_cast<const unsigned char *>(in.data());
  const std::size_t n = in.size();
  String16 out(n, unit(0));
  unit *o = &out[0];
  std::size_t j = 0;
  for (std::size_t i = 0; i < n;) {
    const std::size_t ascii = ascii_words::widen_ascii(in.data() + i, n - i, o + j);
    i += ascii;
    j += ascii;
    if (i == n) {
      break;
    }
    char32_t cp = 0;
    const std::size_t len = decode_utf8(s, n, i, cp);
    if (len == 0) {
      return {};
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      o[j++] = static_cast<unit>(0xD800 + (cp >> 10));
      o[j++] = static_cast<unit>(0xDC00 + (cp & 0x3FF));
    } else {
      o[j++] = static_cast<unit>(cp);
    }
  }
  out.resize(j);
  return out;
}

// The code point of the UTF-16 sequence at in[i] and its length in units; 0 when it is an
// unpaired surrogate.
template <typename Unit>
std::size_t decode_utf16(const Unit *in, std::size_t n, std::size_t i, char32_t &cp) {
  cp = static_cast<char16_t>(in[i]);
  if (cp >= 0xD800 && cp <= 0xDBFF) {
    if (i + 1 == n) {
      return 0;
    }
    const char32_t low = static_cast<char16_t>(in[i + 1]);
    if (low < 0xDC00 || low > 0xDFFF) {
      return 0;
    }
    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
    return 2;
  }
  return cp >= 0xDC00 && cp <= 0xDFFF ? 0 : 1;
}

// Two passes, as the system conversion makes them: the first checks the input and counts the
// bytes, the second writes them into a result of exactly that size. Both take ASCII a word at a
// time.
template <typename String16> std::string utf16_to_utf8(const String16 &in) {
  const auto *s = in.data();
  const std::size_t n = in.size();
  std::size_t length = 0;
  for (std::size_t i = 0; i < n;) {
    const std::size_t ascii = ascii_words::ascii_prefix16(s + i, n - i);
    i += ascii;
    length += ascii;
    if (i == n) {
      break;
    }
    char32_t cp = 0;
    const std::size_t units = decode_utf16(s, n, i, cp);
    if (units == 0) {
      return {};
    }
    i += units;
    length += cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
  }
  std::string out(length, '\0');
  char *o = &out[0];
  for (std::size_t i = 0; i < n;) {
    const std::size_t ascii = ascii_words::narrow_ascii(s + i, n - i, o);
    i += ascii;
    o += ascii;
    if (i == n) {
      break;
    }
    char32_t cp = 0;
    i += decode_utf16(s, n, i, cp);
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

} // namespace portable
} // namespace detail
} // namespace webview

#endif
