// The reply script in UTF-16, for backends whose browser takes scripts in UTF-16: the same text as
// make_reply_script converted, written without the UTF-8 script in between. A large result (a
// launch file is tens of megabytes of base64) is escaped straight into the UTF-16 text.
#ifndef WEBVIEW_DETAIL_WIDE_REPLY_SCRIPT_HH
#define WEBVIEW_DETAIL_WIDE_REPLY_SCRIPT_HH

#include "ascii_words.hh"
#include "bridge_script.hh"
#include "json.hh"
#include "utf.hh"

#include <algorithm>
#include <cstdint>
#include <string>

namespace webview {
namespace detail {

// Empty, as the conversion of the UTF-8 script would be, when `id` or `result` is not UTF-8.
inline utf16_string make_reply_script_utf16(const std::string &id, std::int32_t status,
                                            const std::string &result) {
  if (result.empty()) {
    return utf8_to_utf16(make_reply_script(id, status, result));
  }
  const utf16_string wide_head = utf8_to_utf16(make_reply_script_head(id, status));
  // Only the part between the first and the last byte above 0x7F goes through UTF-8. A multi-byte
  // sequence holds no ASCII byte, so the pieces are well-formed exactly when the whole is.
  const char *const text = result.data();
  const std::size_t first = ascii_words::ascii_prefix(text, result.size());
  const std::size_t last =
      result.size() - ascii_words::ascii_suffix(text + first, result.size() - first);
  utf16_string wide_middle;
  if (last > first) {
    std::string middle(escaped_length(text + first, last - first) - 2, '\0');
    write_escaped(text + first, last - first, &middle[0]);
    wide_middle = utf8_to_utf16(middle);
  }
  if (wide_head.empty() || (last > first && wide_middle.empty())) {
    return {};
  }
  const std::size_t leading = escaped_length(text, first) - 2;
  const std::size_t trailing = escaped_length(text + last, result.size() - last) - 2;
  utf16_string script(wide_head.size() + 1 + leading + wide_middle.size() + trailing + 2,
                      static_cast<utf16_string::value_type>('"'));
  auto *out = std::copy(wide_head.begin(), wide_head.end(), &script[0]) + 1;
  out = write_escaped(text, first, out);
  out = std::copy(wide_middle.begin(), wide_middle.end(), out);
  write_escaped(text + last, result.size() - last, out);
  script.back() = static_cast<utf16_string::value_type>(')');
  return script;
}

} // namespace detail
} // namespace webview

#endif
