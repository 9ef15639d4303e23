// Fuzzes the JSON scanner, the escaper and the UTF-8 decoder on arbitrary bytes.
// Properties: no crash or out-of-bounds read; a found value lies inside the input and is
// reported exactly when its length is non-zero; where the reference reader (a recursive-descent
// reader of the whole text) has an opinion, the scanner finds the same value or none; escaping
// matches the reference escaper and reads back whenever the reader can represent the bytes; the
// decoder accepts exactly what the reference decoder accepts.
#include "../core/reference_json.hh"
#include "../core/reference_utf.hh"

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

void check_against_reference(const char *text, const reference::json_lookup &expected, bool found,
                             const char *value, std::size_t length) {
  if (expected.outcome == reference::json_lookup::unknown) {
    return;
  }
  check(found == (expected.outcome == reference::json_lookup::found));
  if (found) {
    check(static_cast<std::size_t>(value - text) == expected.begin && length == expected.length);
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
  return s.empty() || !reference::utf8_to_utf16(s).empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // Copy into an exact-size heap block so that AddressSanitizer sees any read past the end.
  std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
  std::copy(data, data + size, text.get());
  const std::string input(reinterpret_cast<const char *>(data), size);
  const char *value = nullptr;
  std::size_t length = 0;

  const long long index = size > 0 ? static_cast<signed char>(data[0]) : 0;
  bool found = find_json_value(text.get(), size, nullptr, index, &value, &length);
  check_found(text.get(), size, found, value, length);
  check_against_reference(text.get(), reference::find_item(input, index), found, value, length);

  // Use the first bytes as the key: it may or may not occur in the text.
  const std::size_t key_size = size > 0 ? data[0] % 8 : 0;
  if (size > key_size) {
    std::unique_ptr<char[]> key(new char[key_size == 0 ? 1 : key_size]);
    std::copy(data + 1, data + 1 + key_size, key.get());
    found = find_json_value(text.get(), size, key.get(), static_cast<long long>(key_size), &value,
                            &length);
    check_found(text.get(), size, found, value, length);
    check_against_reference(text.get(),
                            reference::find_member(input, std::string(key.get(), key_size)), found,
                            value, length);
  }

  const auto id = reference::find_member(input, "id");
  const std::string parsed = parse_json_value(input, "id", 0);
  check(parsed.size() <= input.size());
  if (id.outcome != reference::json_lookup::unknown) {
    check(parsed == reference::value_text(input, id));
  }
  const int item = index >= 0 ? static_cast<int>(index) : 0;
  const auto expected_item = reference::find_item(input, item);
  if (expected_item.outcome != reference::json_lookup::unknown) {
    check(parse_json_value(input, "", item) == reference::value_text(input, expected_item));
  }

  const std::string escaped = escape_json(input);
  check(escaped == reference::escape_json(input));
  const std::string message = "{\"id\":" + escaped + ",\"params\":[" + escaped + "]}";
  if (representable(input)) {
    check(parse_json_value(message, "id", 0) == input);
    check(parse_json_value(parse_json_value(message, "params", 0), "", 0) == input);
  }

  const std::u16string expected_utf16 = reference::utf8_to_utf16(input);
  check(portable::utf8_to_utf16<std::u16string>(input) == expected_utf16);
  check(portable::utf16_to_utf8(expected_utf16) == (expected_utf16.empty() ? "" : input));
  return 0;
}
