// Byte-at-a-time versions of the core's text and JSON utilities, kept only as references: the
// core's versions skip runs of ordinary ASCII a word at a time and must give the same results on
// every input. Written the plain way, one byte or unit per step.
#ifndef TESTS_CORE_PLAIN_TEXT_JSON_HH
#define TESTS_CORE_PLAIN_TEXT_JSON_HH

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace plain {

inline std::string escape_json(const std::string &s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\b':
      out += "\\b";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\f':
      out += "\\f";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      if (c < 0x20) {
        char u[8];
        std::snprintf(u, sizeof u, "\\u%04x", c);
        out += u;
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  return out + "\"";
}

inline bool find_json_value(const char *text, std::size_t length, const char *key,
                            long long key_length_or_index, const char **value,
                            std::size_t *value_length) {
  enum class state { value, literal, string, escape, multibyte };
  enum class action { none, start, end, start_structure, end_structure };
  *value = nullptr;
  *value_length = 0;
  const bool key_mode = key != nullptr;
  const std::size_t key_length =
      key_mode && key_length_or_index > 0 ? static_cast<std::size_t>(key_length_or_index) : 0;
  long long p = key_mode ? 1 : key_length_or_index;
  if (p < 0) {
    return false;
  }
  state st = state::value;
  int continuation = 0;
  long long depth = 0;
  const char *key_start = nullptr;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    action act = action::none;
    switch (st) {
    case state::value:
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ':') {
        continue;
      } else if (c == '"') {
        act = action::start;
        st = state::string;
      } else if (c == '-' || (c >= '0' && c <= '9') || c == 't' || c == 'f' || c == 'n') {
        act = action::start;
        st = state::literal;
      } else if (c == '[' || c == '{') {
        act = action::start_structure;
      } else if (c == ']' || c == '}') {
        act = action::end_structure;
      } else {
        return false;
      }
      break;
    case state::literal:
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ':' || c == ']' ||
          c == '}') {
        // The literal ended on the previous byte; this byte is read again as a separator.
        act = action::end;
        st = state::value;
        --i;
      } else if (c < 0x20 || c > 0x7E) {
        return false;
      } else if (c == '"') {
        act = action::end;
        st = state::value;
      } else if (c == '\\') {
        st = state::escape;
      }
      break;
    case state::string:
      if (c < 0x20 || (c >= 0x7F && c <= 0xBF)) {
        return false;
      } else if (c == '"') {
        act = action::end;
        st = state::value;
      } else if (c == '\\') {
        st = state::escape;
      } else if (c >= 0xC0 && c <= 0xDF) {
        continuation = 1;
        st = state::multibyte;
      } else if (c >= 0xE0 && c <= 0xEF) {
        continuation = 2;
        st = state::multibyte;
      } else if (c >= 0xF0 && c <= 0xF6) {
        continuation = 3;
        st = state::multibyte;
      }
      break;
    case state::escape:
      if (c == '"' || c == '\\' || c == '/' || c == 'b' || c == 'f' || c == 'n' || c == 'r' ||
          c == 't' || c == 'u') {
        st = state::string;
      } else {
        return false;
      }
      break;
    case state::multibyte:
      if (c < 0x80 || c > 0xBF) {
        return false;
      }
      if (--continuation == 0) {
        st = state::string;
      }
      break;
    }

    if (act == action::end_structure) {
      --depth;
    }
    if (depth == 1) {
      if (act == action::start || act == action::start_structure) {
        if (p == 0) {
          *value = text + i;
        } else if (key_mode && p == 1) {
          key_start = text + i;
        } else {
          --p;
        }
      } else if (act == action::end || act == action::end_structure) {
        if (p == 0 && *value != nullptr) {
          *value_length = static_cast<std::size_t>(text + i + 1 - *value);
          return true;
        } else if (key_mode && key_start != nullptr) {
          const auto between = static_cast<std::size_t>(text + i - key_start) - 1;
          p = (between == key_length && std::memcmp(key, key_start + 1, key_length) == 0) ? 0 : 2;
          key_start = nullptr;
        }
      }
    }
    if (act == action::start_structure) {
      ++depth;
    }
  }
  return false;
}

inline std::string parse_json_value(const std::string &text, const std::string &key, int index) {
  const char *value = nullptr;
  std::size_t length = 0;
  if (key.empty()) {
    find_json_value(text.data(), text.size(), nullptr, index, &value, &length);
  } else {
    find_json_value(text.data(), text.size(), key.data(), static_cast<long long>(key.size()),
                    &value, &length);
  }
  if (value == nullptr || length == 0) {
    return {};
  }
  if (value[0] != '"') {
    return std::string(value, length);
  }
  std::string out;
  for (const char *c = value + 1, *end = value + length - 1; c < end; ++c) {
    if (*c != '\\') {
      out += *c;
      continue;
    }
    if (++c == end) {
      return {};
    }
    switch (*c) {
    case '"':
    case '\\':
    case '/':
      out += *c;
      break;
    case 'b':
      out += '\b';
      break;
    case 'f':
      out += '\f';
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    case 't':
      out += '\t';
      break;
    default:
      return {};
    }
  }
  return out;
}

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

template <typename String16> String16 utf8_to_utf16(const std::string &in) {
  String16 out;
  const auto *s = reinterpret_cast<const unsigned char *>(in.data());
  const std::size_t n = in.size();
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    char32_t cp = 0;
    const std::size_t len = decode_utf8(s, n, i, cp);
    if (len == 0) {
      return {};
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<typename String16::value_type>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<typename String16::value_type>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<typename String16::value_type>(cp));
    }
  }
  return out;
}

template <typename String16> std::string utf16_to_utf8(const String16 &in) {
  std::string out;
  const std::size_t n = in.size();
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = static_cast<char16_t>(in[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 == n) {
        return {};
      }
      const char32_t low = static_cast<char16_t>(in[i + 1]);
      if (low < 0xDC00 || low > 0xDFFF) {
        return {};
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return {};
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

} // namespace plain

#endif
