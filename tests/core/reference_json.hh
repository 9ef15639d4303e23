// Reference JSON reader and escaper for the tests: a recursive-descent reader of the JSON grammar
// that builds the value tree, and lookups of one member or item of the outermost value on that
// tree. It follows the scanner's contract (find_json_value, parse_json_value) where that differs
// from a full parser; each such place says so.
#ifndef TESTS_CORE_REFERENCE_JSON_HH
#define TESTS_CORE_REFERENCE_JSON_HH

#include "reference_utf.hh"

#include <cstddef>
#include <string>
#include <vector>

namespace reference {

struct json_node {
  enum kind_t { object, array, string, literal } kind = literal;
  std::size_t begin = 0, end = 0; // offsets in the text; end is one past the last byte
  std::vector<json_node> items;   // an object's keys and values alternate
};

class json_reader {
public:
  explicit json_reader(const std::string &text) : text_(text) {}

  // Reads the text as one value with white space around it. On malformed text, root() still
  // holds the outermost items completed before the fault.
  bool read() {
    skip_space();
    if (!value(root_, 0)) {
      return false;
    }
    skip_space();
    return at_ == text_.size();
  }

  const json_node &root() const { return root_; }

private:
  // Deeper texts are left unread (the lookups then have no opinion); the scanner has no limit.
  static constexpr int max_depth = 200;

  bool more() const { return at_ < text_.size(); }
  unsigned char peek() const { return static_cast<unsigned char>(text_[at_]); }

  void skip_space() {
    while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
      ++at_;
    }
  }

  bool take(char c) {
    if (more() && peek() == static_cast<unsigned char>(c)) {
      ++at_;
      return true;
    }
    return false;
  }

  bool value(json_node &node, int depth) {
    if (!more() || depth > max_depth) {
      return false;
    }
    node.begin = at_;
    const unsigned char c = peek();
    bool ok;
    if (c == '{' || c == '[') {
      node.kind = c == '{' ? json_node::object : json_node::array;
      ok = c == '{' ? object_body(node, depth) : array_body(node, depth);
    } else if (c == '"') {
      node.kind = json_node::string;
      ok = string_body();
    } else {
      node.kind = json_node::literal;
      ok = word("true") || word("false") || word("null") || number();
    }
    node.end = at_;
    return ok;
  }

  bool object_body(json_node &node, int depth) {
    ++at_;
    skip_space();
    if (take('}')) {
      return true;
    }
    for (;;) {
      json_node key;
      if (!more() || peek() != '"' || !value(key, depth + 1)) {
        return false;
      }
      node.items.push_back(key);
      skip_space();
      if (!take(':')) {
        return false;
      }
      skip_space();
      json_node member;
      if (!value(member, depth + 1)) {
        return false;
      }
      node.items.push_back(member);
      skip_space();
      if (take('}')) {
        return true;
      }
      if (!take(',')) {
        return false;
      }
      skip_space();
    }
  }

  bool array_body(json_node &node, int depth) {
    ++at_;
    skip_space();
    if (take(']')) {
      return true;
    }
    for (;;) {
      json_node item;
      if (!value(item, depth + 1)) {
        return false;
      }
      node.items.push_back(item);
      skip_space();
      if (take(']')) {
        return true;
      }
      if (!take(',')) {
        return false;
      }
      skip_space();
    }
  }

  static bool is_hex(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  bool string_body() {
    ++at_;
    while (more()) {
      const unsigned char c = peek();
      // DEL is allowed by the grammar, but the scanner refuses it inside strings.
      if (c < 0x20 || c == 0x7F) {
        return false;
      }
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c == '\\') {
        ++at_;
        if (!more()) {
          return false;
        }
        const unsigned char e = peek();
        ++at_;
        if (e == 'u') {
          for (int k = 0; k < 4; ++k, ++at_) {
            if (!more() || !is_hex(peek())) {
              return false;
            }
          }
        } else if (std::string("\"\\/bfnrt").find(static_cast<char>(e)) == std::string::npos) {
          return false;
        }
        continue;
      }
      const std::size_t length = well_formed_length(text_, at_);
      if (length == 0) {
        return false;
      }
      at_ += length;
    }
    return false;
  }

  bool word(const char *w) {
    const std::string expected(w);
    if (text_.compare(at_, expected.size(), expected) != 0) {
      return false;
    }
    at_ += expected.size();
    return true;
  }

  bool digits() {
    const std::size_t start = at_;
    while (more() && peek() >= '0' && peek() <= '9') {
      ++at_;
    }
    return at_ > start;
  }

  bool number() {
    take('-');
    if (!take('0') && !(more() && peek() >= '1' && peek() <= '9' && digits())) {
      return false;
    }
    if (take('.') && !digits()) {
      return false;
    }
    if (take('e') || take('E')) {
      if (!take('+')) {
        take('-');
      }
      if (!digits()) {
        return false;
      }
    }
    return true;
  }

  const std::string &text_;
  std::size_t at_ = 0;
  json_node root_;
};

// What a lookup may conclude: the value's place, that there is none, or no opinion (the text is
// malformed before the value, where the scanner's tolerance decides).
struct json_lookup {
  enum outcome_t { found, absent, unknown } outcome = unknown;
  std::size_t begin = 0, length = 0;
};

// The scanner reads left to right and stops at its value, so bytes after it never matter. A
// string, object or array is complete at its closing byte; a literal only when a following
// white space, comma or closing bracket shows where it ends.
inline bool complete_before_fault(const std::string &text, const json_node &node) {
  if (node.kind != json_node::literal) {
    return true;
  }
  if (node.end >= text.size()) {
    return false;
  }
  const char next = text[node.end];
  return next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == ',' ||
         next == ']' || next == '}';
}

inline json_lookup conclude(const std::string &text, const json_node *value, bool well_formed) {
  json_lookup result;
  if (value != nullptr && complete_before_fault(text, *value)) {
    result.outcome = json_lookup::found;
    result.begin = value->begin;
    result.length = value->end - value->begin;
  } else if (value == nullptr && well_formed) {
    result.outcome = json_lookup::absent;
  }
  return result;
}

// The item at `index` of the outermost array or object (an object's keys count as items).
inline json_lookup find_item(const std::string &text, long long index) {
  json_reader reader(text);
  const bool well_formed = reader.read();
  if (index < 0) {
    return conclude(text, nullptr, true);
  }
  const auto &items = reader.root().items;
  const json_node *value = static_cast<std::size_t>(index) < items.size()
                               ? &items[static_cast<std::size_t>(index)]
                               : nullptr;
  return conclude(text, value, well_formed);
}

// The value of the first member of the outermost object whose key, as written between its
// quotes (escapes not decoded, as the scanner compares), equals `key`.
inline json_lookup find_member(const std::string &text, const std::string &key) {
  json_reader reader(text);
  const bool well_formed = reader.read();
  const json_node &root = reader.root();
  // The scanner pairs an array's items as if they were keys and values; its contract speaks of
  // objects only, so a key lookup in an array gets no opinion.
  if (root.kind == json_node::array) {
    return {};
  }
  for (std::size_t k = 0; k < root.items.size(); k += 2) {
    const json_node &name = root.items[k];
    if (text.compare(name.begin + 1, name.end - name.begin - 2, key) == 0) {
      if (k + 1 == root.items.size()) {
        return {}; // the member's value is cut off or malformed
      }
      return conclude(text, &root.items[k + 1], well_formed);
    }
  }
  return conclude(text, nullptr, well_formed);
}

// What parse_json_value promises for a lookup: a string decoded, any other value as written,
// and an empty text when nothing is found or the string holds a \u escape (not decoded there).
inline std::string value_text(const std::string &text, const json_lookup &lookup) {
  if (lookup.outcome != json_lookup::found) {
    return {};
  }
  const std::string raw = text.substr(lookup.begin, lookup.length);
  if (raw[0] != '"') {
    return raw;
  }
  static const std::string escapes = "\"\\/bfnrt", meanings = "\"\\/\b\f\n\r\t";
  std::string out;
  for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
    if (raw[i] != '\\') {
      out += raw[i];
      continue;
    }
    const std::size_t which = escapes.find(raw[++i]);
    if (which == std::string::npos) {
      return {};
    }
    out += meanings[which];
  }
  return out;
}

// A JSON string literal of arbitrary bytes: the quote, the backslash and the control bytes are
// escaped (the short form where JSON has one, else \u00xx in lower case); every other byte,
// DEL and bytes above 0x7F included, is copied.
inline std::string escape_json(const std::string &bytes) {
  static const std::string shortened = "\"\\\b\f\n\r\t", letters = "\"\\bfnrt";
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const std::size_t which = shortened.find(c);
    if (which != std::string::npos) {
      out += '\\';
      out += letters[which];
    } else if (byte < 0x20) {
      out += "\\u00";
      out += hex[byte / 16];
      out += hex[byte % 16];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

} // namespace reference

#endif
