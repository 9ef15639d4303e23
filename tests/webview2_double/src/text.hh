// Text conversions of the double: UTF-16 from the program to escaped UTF-8 log text, escaped
// UTF-8 configuration text to UTF-16, and strings handed to the program.

#ifndef WV2D_TEXT_HH
#define WV2D_TEXT_HH

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace wv2d {

// UTF-8 form of `text` in which a backslash becomes "\\", LF "\n", CR "\r", TAB "\t", every
// other control character "\xHH", an unpaired surrogate "\uHHHH" and, when `escape_space` is
// set, a space "\x20". The result therefore never contains a line break.
std::string escape(std::wstring_view text, bool escape_space);

// The reverse of escape() for UTF-8 text that may contain those escapes; nothing when the text
// is not valid UTF-8 or an escape is malformed.
std::optional<std::wstring> unescape(std::string_view text);

// A copy of `text` in memory from CoTaskMemAlloc, which the receiver frees with CoTaskMemFree;
// null when the allocation fails.
LPWSTR co_task_copy(std::wstring_view text);

// `text`, or the empty text for a null pointer.
inline std::wstring wide(LPCWSTR text) {
  return text ? std::wstring(text) : std::wstring();
}

} // namespace wv2d

#endif // WV2D_TEXT_HH
