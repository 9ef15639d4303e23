// Fuzzes the JSON scanner and the escaper on arbitrary bytes.
// Properties: no crash or out-of-bounds read; a found value lies inside the input and is
// reported exactly when its length is non-zero; escaping then reading back gives the bytes again
// whenever the reader can represent them; the word-at-a-time scanner, decoder and escaper give
// what their byte-at-a-time references give.
#include "../core/plain_text_json.hh"

#include <webview/detail/json.hh>
#include <webview/detail/utf_portable.hh>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

using namespace webview::detail;

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

void check_found(const char *text, std::size_t size, bool found, const char *value,
                 std::size_t length) {
  check(found == (length > 0));
  if (found) {
    check(value >= text && value + length <= text + size);
  }
}

// Escaped text reads back unless it holds bytes the reader cannot carry: control bytes written
// as \u escapes, DEL and bytes that are not well-formed UTF-8.
bool representable(const std::string &s) {
  for (unsigned char c : s) {
    if ((c < 0x20 && c != '\b' && c != '\t' && c != '\n' && c != '\f' && c != '\r') || c == 0x7F) {
      return false;
    }
  }
  return s.empty() || !portable::utf8_to_utf16<std::u16string>(s).empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // Copy into an exact-size heap block so that AddressSanitizer sees any read past the end.
  std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
  std::copy(data, data + size, text.get());
  const char *value = nullptr;
  std::size_t length = 0;

  const long long index = size > 0 ? static_cast<signed char>(data[0]) : 0;
  check_found(text.get(), size, find_json_value(text.get(), size, nullptr, index, &value, &length),
              value, length);
  const char *plain_value = nullptr;
  std::size_t plain_length = 0;
  plain::find_json_value(text.get(), size, nullptr, index, &plain_value, &plain_length);
  check(value == plain_value && length == plain_length);

  // Use the first bytes as the key: it may or may not occur in the text.
  const std::size_t key_size = size > 0 ? data[0] % 8 : 0;
  std::unique_ptr<char[]> key(new char[key_size == 0 ? 1 : key_size]);
  std::copy(data + (size > key_size ? 1 : 0), data + (size > key_size ? 1 + key_size : 0),
            key.get());
  if (size > key_size) {
    check_found(text.get(), size,
                find_json_value(text.get(), size, key.get(), static_cast<long long>(key_size),
                                &value, &length),
                value, length);
    plain::find_json_value(text.get(), size, key.get(), static_cast<long long>(key_size),
                           &plain_value, &plain_length);
    check(value == plain_value && length == plain_length);
  }

  const std::string input(reinterpret_cast<const char *>(data), size);
  const std::string parsed = parse_json_value(input, "id", 0);
  check(parsed.size() <= input.size());
  check(parsed == plain::parse_json_value(input, "id", 0));
  const int item = index >= 0 ? static_cast<int>(index) : 0;
  check(parse_json_value(input, "", item) == plain::parse_json_value(input, "", item));

  const std::string escaped = escape_json(input);
  check(escaped == plain::escape_json(input));
  check(escaped.size() >= input.size() + 2 && escaped.front() == '"' && escaped.back() == '"');
  const std::string message = "{\"id\":" + escaped + ",\"params\":[" + escaped + "]}";
  if (representable(input)) {
    check(parse_json_value(message, "id", 0) == input);
    check(parse_json_value(parse_json_value(message, "params", 0), "", 0) == input);
  }
  return 0;
}
