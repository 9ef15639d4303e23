// JSON string escaping and a small in-place scanner that reads one member or item of a JSON text.
#ifndef WEBVIEW_DETAIL_JSON_HH
#define WEBVIEW_DETAIL_JSON_HH

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

namespace webview {
namespace detail {

// Number of bytes `c` takes inside a JSON string literal written by escape_json.
inline std::size_t escaped_size(unsigned char c) noexcept {
  switch (c) {
  case '"':
  case '\\':
  case '\b':
  case '\t':
  case '\n':
  case '\f':
  case '\r':
    return 2;
  default:
    return c < 0x20 ? 6 : 1;
  }
}

// Quoted JSON string literal of a byte string. Bytes from 0x7F up pass through untouched, so
// UTF-8 stays UTF-8; control bytes get the short escapes or \u00xx. Sized exactly, then written
// in one pass that copies runs of plain bytes whole.
inline std::string escape_json(const std::string &s) {
  static const char hex[] = "0123456789abcdef";
  std::size_t required_length = 2;
  for (unsigned char c : s) {
    required_length += escaped_size(c);
  }
  std::string result(required_length, '\0');
  char *out = &result[0];
  *out++ = '"';
  const char *run = s.data();
  const char *const end = s.data() + s.size();
  for (const char *p = run; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c != '"' && c != '\\') {
      continue;
    }
    std::memcpy(out, run, static_cast<std::size_t>(p - run));
    out += p - run;
    run = p + 1;
    *out++ = '\\';
    switch (c) {
    case '"':
      *out++ = '"';
      break;
    case '\\':
      *out++ = '\\';
      break;
    case '\b':
      *out++ = 'b';
      break;
    case '\t':
      *out++ = 't';
      break;
    case '\n':
      *out++ = 'n';
      break;
    case '\f':
      *out++ = 'f';
      break;
    case '\r':
      *out++ = 'r';
      break;
    default:
      *out++ = 'u';
      *out++ = '0';
      *out++ = '0';
      *out++ = hex[c >> 4];
      *out++ = hex[c & 0xF];
    }
  }
  std::memcpy(out, run, static_cast<std::size_t>(end - run));
  out += end - run;
  *out++ = '"';
  if (static_cast<std::size_t>(out - result.data()) != result.size()) {
    // Both passes must agree; a mismatch is a bug in this function, never bad input.
    throw std::logic_error("required_length == result.size()");
  }
  return result;
}

// Finds one value at depth 1 of `text` (the members of the outermost object or the items of the
// outermost array) in one left-to-right pass, without allocating. With `key` set, the value of
// the first depth-1 member whose key equals `key_length` bytes of `key` (escapes not decoded);
// with `key` null, the item at position `key_length_or_index` (keys and values of an object count
// alike). On success *value points into `text` and *value_length > 0: a string spans its quotes,
// an object or array its brackets, a literal its characters. Every read is at an index below
// `length`; malformed input stops the scan with *value_length == 0.
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

// One member (by key) or item (by index, when key is empty) of a JSON text: a string value
// decoded, any other value as its raw text, and an empty text when nothing is found or the
// string holds an escape this decoder does not take (\u among them).
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
  // A found string spans both quotes; decode what lies between them.
  const char *begin = value + 1;
  const char *end = value + length - 1;
  std::size_t decoded_length = 0;
  for (const char *c = begin; c < end; ++c) {
    if (*c == '\\') {
      if (++c == end) {
        return {};
      }
      switch (*c) {
      case '"':
      case '\\':
      case '/':
      case 'b':
      case 'f':
      case 'n':
      case 'r':
      case 't':
        break;
      default:
        return {};
      }
    }
    ++decoded_length;
  }
  std::string result;
  result.reserve(decoded_length);
  for (const char *c = begin; c < end; ++c) {
    if (*c != '\\') {
      result += *c;
      continue;
    }
    switch (*++c) {
    case 'b':
      result += '\b';
      break;
    case 'f':
      result += '\f';
      break;
    case 'n':
      result += '\n';
      break;
    case 'r':
      result += '\r';
      break;
    case 't':
      result += '\t';
      break;
    default:
      result += *c;
    }
  }
  return result;
}

} // namespace detail
} // namespace webview

#endif
