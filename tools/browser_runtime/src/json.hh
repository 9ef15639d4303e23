// A small JSON reader for the browser's protocol messages, and the quoting the messages we send
// need. Strings are UTF-8.

#ifndef ZBR_JSON_HH
#define ZBR_JSON_HH

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zbr {

class Json {
public:
  enum class Kind { null, boolean, number, string, array, object };

  Kind kind() const { return kind_; }
  bool is_null() const { return kind_ == Kind::null; }
  // The member `key` of an object, or a null value.
  const Json &operator[](std::string_view key) const;
  const Json &at(std::size_t index) const;
  std::size_t size() const { return items_.size(); }
  // A string's text, or "" for any other value.
  const std::string &str() const { return text_; }
  double number() const { return kind_ == Kind::number ? number_ : 0; }
  long long integer() const { return static_cast<long long>(number()); }
  bool boolean() const { return kind_ == Kind::boolean && boolean_; }
  bool has(std::string_view key) const;

  // Parses a whole JSON text; nothing when it is not one.
  static std::optional<Json> parse(std::string_view text);

private:
  friend class JsonParser;
  Kind kind_ = Kind::null;
  bool boolean_ = false;
  double number_ = 0;
  std::string text_;
  std::vector<Json> items_;       // array items, or object values
  std::vector<std::string> keys_; // object keys, parallel to items_
};

// A quoted JSON string literal of UTF-8 text.
std::string quote(std::string_view text);

} // namespace zbr

#endif // ZBR_JSON_HH
