// The call log: one UTF-8 line per call the program makes into the double ("NAME FIELDS"), per
// callback the double makes into the program ("-> NAME FIELDS") and per note of the double
// ("# TEXT"). Lines go to an in-process buffer and, when WV2_DOUBLE_LOG names a file, are
// appended to that file as they are written. Every line written is also reported to the
// scripted rules (script.hh), which may react to it.

#ifndef WV2D_LOG_HH
#define WV2D_LOG_HH

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace wv2d {

// One field of a log line. Fields are separated by one space; a text field is escaped (text.hh)
// and, unless it is the last field of its line, has its spaces escaped as well.
class Field {
public:
  // Escaped text; "(null)" for a null pointer.
  static Field text(LPCWSTR value);
  static Field text(std::wstring_view value);
  // A word written as it is.
  static Field word(std::string value);
  static Field number(long long value);
  static Field unsigned_number(unsigned long long value);
  // "0x" and upper-case hex digits, as wv2d::handle_text in webview2_double.h.
  static Field handle(HWND value);
  // "0x" and eight upper-case hex digits.
  static Field hresult(HRESULT value);
  // "set" or "null": only whether an interface pointer was given.
  static Field object(const void *value);
  static Field real(double value);

  // The field's text; `last` tells whether it ends its line.
  std::string format(bool last) const;

private:
  std::string plain_;
  std::optional<std::wstring> text_;
};

// "NAME FIELDS": a call the program made.
void log_call(std::string_view name, std::initializer_list<Field> fields);

// "-> NAME FIELDS": a callback the double is about to make into the program.
void log_callback(std::string_view name, std::initializer_list<Field> fields);

// "# TEXT": a remark of the double (rejected configuration, event without a web view, ...).
void log_note(std::string_view text);

// The in-process log, every line ending in '\n'.
std::string log_contents();

// Empties the in-process log.
void clear_log();

// Whether lines are also kept in the process (true after a reset); long runs that only need
// the file turn it off so that the process's memory stays flat.
void keep_log_in_memory(bool keep);

// Closes any log file and opens the one WV2_DOUBLE_LOG names, if set (lines are appended).
void open_log_file_from_environment();

} // namespace wv2d

#endif // WV2D_LOG_HH
