#include "log.hh"

#include "environment_variable.hh"
#include "script.hh"
#include "text.hh"
#include "unique_handle.hh"

#include <cstdio>
#include <mutex>

namespace wv2d {
namespace {

struct LogState {
  std::mutex mutex;
  std::string lines;
  bool keep = true; // the in-process copy; the file gets every line either way
  UniqueHandle file;
};

// Never destroyed: the process may still log while static objects are torn down.
LogState &log_state() {
  static LogState *state = new LogState;
  return *state;
}

void write_line(std::string_view trigger_name, std::string line) {
  line += '\n';
  {
    LogState &state = log_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.keep) {
      state.lines += line;
    }
    if (state.file) {
      DWORD written = 0;
      WriteFile(state.file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  }
  if (!trigger_name.empty()) {
    notify_logged(trigger_name);
  }
}

std::string join(std::string_view prefix, std::string_view name,
                 std::initializer_list<Field> fields) {
  std::string line(prefix);
  line += name;
  size_t index = 0;
  for (const Field &field : fields) {
    line += ' ';
    line += field.format(++index == fields.size());
  }
  return line;
}

bool file_open() {
  LogState &state = log_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  return static_cast<bool>(state.file);
}

} // namespace

Field Field::text(LPCWSTR value) {
  if (!value) {
    return word("(null)");
  }
  return text(std::wstring_view(value));
}

Field Field::text(std::wstring_view value) {
  Field field;
  field.text_ = std::wstring(value);
  return field;
}

Field Field::word(std::string value) {
  Field field;
  field.plain_ = std::move(value);
  return field;
}

Field Field::number(long long value) {
  return word(std::to_string(value));
}

Field Field::unsigned_number(unsigned long long value) {
  return word(std::to_string(value));
}

Field Field::handle(HWND value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(value)));
  return word(text);
}

Field Field::hresult(HRESULT value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return word(text);
}

Field Field::object(const void *value) {
  return word(value ? "set" : "null");
}

Field Field::real(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return word(text);
}

std::string Field::format(bool last) const {
  return text_ ? escape(*text_, !last) : plain_;
}

void log_call(std::string_view name, std::initializer_list<Field> fields) {
  write_line(name, join("", name, fields));
}

void log_callback(std::string_view name, std::initializer_list<Field> fields) {
  write_line(name, join("-> ", name, fields));
}

void log_note(std::string_view text) {
  write_line({}, "# " + std::string(text));
}

std::string log_contents() {
  LogState &state = log_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.lines;
}

void clear_log() {
  LogState &state = log_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.lines.clear();
}

void keep_log_in_memory(bool keep) {
  LogState &state = log_state();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.keep = keep;
}

void open_log_file_from_environment() {
  UniqueHandle file;
  const auto path = environment_variable(L"WV2_DOUBLE_LOG");
  if (path) {
    file = UniqueHandle(CreateFileW(path->c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  {
    LogState &state = log_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.file = std::move(file);
  }
  if (path && !file_open()) {
    log_note("cannot open the log file " + escape(*path, false));
  }
}

} // namespace wv2d
