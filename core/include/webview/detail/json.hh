// JSON string escaping and a small in-place scanner that reads one member or item of a JSON text.
#ifndef WEBVIEW_DETAIL_JSON_HH
#define WEBVIEW_DETAIL_JSON_HH

#include "ascii_words.hh"

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

// Length of the JSON string literal of `n` bytes at `s`, quotes included.
inline std::size_t escaped_length(const char *s, std::size_t n) noexcept {
  using namespace ascii_words;
  std::size_t length = 2 + n;
  std::size_t i = 0;
  // Quotes, backslashes and the common controls are counted a word at a time; a word with another
  // control byte is counted byte by byte.
  for (; i + word_size <= n; i += word_size) {
    const word w = load(s + i);
    if (json_special(w) == 0) {
      continue;
    }
    const word controls = control_flags(w);
    const word short_controls = equal_flags(w, '\n') | equal_flags(w, '\t') | equal_flags(w, '\r');
    if ((controls & ~short_controls) == 0) {
      length += count_flags(equal_flags(w, '"') | equal_flags(w, '\\') | controls);
      continue;
    }
    for (std::size_t k = 0; k < word_size; ++k) {
      length += escaped_size(static_cast<unsigned char>(s[i + k])) - 1;
    }
  }
  for (; i < n; ++i) {
    length += escaped_size(static_cast<unsigned char>(s[i])) - 1;
  }
  return length;
}

// Writes byte `c` as it stands inside a JSON string literal; returns the end of what it wrote.
template <typename Unit> Unit *write_escaped_byte(unsigned char c, Unit *out) noexcept {
  static const char hex[] = "0123456789abcdef";
  char escape = 0;
  switch (c) {
  case '"':
  case '\\':
    escape = static_cast<char>(c);
    break;
  case '\b':
    escape = 'b';
    break;
  case '\t':
    escape = 't';
    break;
  case '\n':
    escape = 'n';
    break;
  case '\f':
    escape = 'f';
    break;
  case '\r':
    escape = 'r';
    break;
  default:
    if (c >= 0x20) {
      *out = static_cast<Unit>(c);
      return out + 1;
    }
    const char unicode[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
    for (char u : unicode) {
      *out++ = static_cast<Unit>(u);
    }
    return out;
  }
  out[0] = static_cast<Unit>('\\');
  out[1] = static_cast<Unit>(escape);
  return out + 2;
}

// Writes the inside of the JSON string literal of `n` bytes at `s` (escaped_length(s, n) - 2
// units) to `out`; returns its end. Bytes from 0x7F up pass through untouched, so UTF-8 stays
// UTF-8; with 16-bit units `s` must be ASCII. Runs of plain bytes are copied a word at a time.
template <typename Unit> Unit *write_escaped(const char *s, std::size_t n, Unit *out) noexcept {
  using namespace ascii_words;
  const char *const end = s + n;
  while (static_cast<std::size_t>(end - s) >= word_size) {
    const word w = load(s);
    const word flags = json_special(w);
    // The whole word is written even when a byte in it needs escaping: what follows that byte is
    // written again, and the output has room, since it is never shorter than the input left.
    widen_word(w, out);
    if (flags == 0) {
      out += word_size;
      s += word_size;
      continue;
    }
    const std::size_t plain = first_flagged(flags);
    out = write_escaped_byte(static_cast<unsigned char>(s[plain]), out + plain);
    s += plain + 1;
  }
  for (; s != end; ++s) {
    out = write_escaped_byte(static_cast<unsigned char>(*s), out);
  }
  return out;
}

// Quoted JSON string literal of a byte string. A short text is measured first and written into a
// result of exactly its size. A long one is written in one pass into room for an eighth more
// (prose needs far less); should its escapes need more, the rest is measured then and the room
// made exact, so no byte is ever written twice beyond that one move.
inline std::string escape_json(const std::string &s) {
  constexpr std::size_t chunk = 4096, worst = 6; // a byte escapes to at most six
  const char *p = s.data();
  const char *const end = p + s.size();
  std::string result;
  std::size_t at = 1; // where the next escaped byte goes
  if (s.size() < 16 * chunk) {
    result.assign(escaped_length(p, s.size()), '"');
  } else {
    result.assign(s.size() + s.size() / 8 + 2, '"');
    while (static_cast<std::size_t>(end - p) > chunk && result.size() - 1 - at >= worst * chunk) {
      at = static_cast<std::size_t>(write_escaped(p, chunk, &result[at]) - result.data());
      p += chunk;
    }
    result.resize(at + escaped_length(p, static_cast<std::size_t>(end - p)) - 1);
  }
  char *const last = write_escaped(p, static_cast<std::size_t>(end - p), &result[at]);
  if (last + 1 != result.data() + result.size()) {
    // The measured and the written length must agree; a mismatch is a bug here, never bad input.
    throw std::logic_error("escaped length == written length");
  }
  *last = '"';
  return result;
}

// Index of the first byte at or after `i` that is not known to be an ordinary string character
// (printable ASCII other than the double quote and the backslash); only whole words are skipped.
inline std::size_t skip_plain_string(const char *text, std::size_t i, std::size_t length) noexcept {
  using namespace ascii_words;
  while (length - i >= word_size) {
    const word w = load(text + i);
    if ((any_below(w, 0x20) | any_non_ascii(w) | any_equal(w, 0x7F) | any_equal(w, '"') |
         any_equal(w, '\\')) != 0) {
      break;
    }
    i += word_size;
  }
  return i;
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
    if (st == state::string) {
      // Ordinary characters inside a string cause no action: skip them a word at a time.
      i = skip_plain_string(text, i, length);
      if (i == length) {
        break;
      }
    }
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
  // A found string spans both quotes; decode what lies between them. Runs without a backslash
  // are measured and copied whole.
  const char *begin = value + 1;
  const char *end = value + length - 1;
  std::size_t decoded_length = static_cast<std::size_t>(end - begin);
  for (const char *c = begin;; c += 2) {
    c = static_cast<const char *>(std::memchr(c, '\\', static_cast<std::size_t>(end - c)));
    if (c == nullptr) {
      break;
    }
    if (c + 1 == end) {
      return {};
    }
    switch (c[1]) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
      --decoded_length;
      break;
    default:
      return {};
    }
  }
  std::string result;
  result.reserve(decoded_length);
  for (const char *c = begin;;) {
    const char *slash =
        static_cast<const char *>(std::memchr(c, '\\', static_cast<std::size_t>(end - c)));
    result.append(c, slash == nullptr ? end : slash);
    if (slash == nullptr) {
      break;
    }
    switch (slash[1]) {
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
      result += slash[1];
    }
    c = slash + 2;
  }
  return result;
}

} // namespace detail
} // namespace webview

#endif
