#include "config.hh"

#include "environment_variable.hh"
#include "faults.hh"
#include "log.hh"
#include "script.hh"
#include "text.hh"
#include "unique_handle.hh"
#include "version.hh"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

namespace wv2d {
namespace {

// Takes the next space-separated word off the front of `rest`.
std::string_view next_word(std::string_view &rest) {
  const size_t end = rest.find(' ');
  const std::string_view word = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return word;
}

std::optional<long long> parse_integer(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  const std::string copy(text);
  char *end = nullptr;
  errno = 0;
  const long long value = std::strtoll(copy.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') {
    return std::nullopt;
  }
  return value;
}

std::optional<HRESULT> parse_hresult(std::string_view text) {
  static const struct {
    const char *name;
    HRESULT value;
  } names[] = {
      {"S_OK", S_OK},
      {"S_FALSE", S_FALSE},
      {"E_FAIL", E_FAIL},
      {"E_ABORT", E_ABORT},
      {"E_INVALIDARG", E_INVALIDARG},
      {"E_NOTIMPL", E_NOTIMPL},
      {"E_POINTER", E_POINTER},
      {"E_NOINTERFACE", E_NOINTERFACE},
      {"E_ACCESSDENIED", E_ACCESSDENIED},
      {"E_OUTOFMEMORY", E_OUTOFMEMORY},
      {"E_UNEXPECTED", E_UNEXPECTED},
  };
  for (const auto &entry : names) {
    if (text == entry.name) {
      return entry.value;
    }
  }
  const auto value = parse_integer(text);
  if (!value || *value < -0x80000000LL || *value > 0xFFFFFFFFLL) {
    return std::nullopt;
  }
  return static_cast<HRESULT>(static_cast<unsigned long>(*value & 0xFFFFFFFF));
}

bool apply_fault(std::string_view value) {
  const std::string_view name = next_word(value);
  const auto result = parse_hresult(next_word(value));
  const std::string_view count_text = next_word(value);
  if (name.empty() || !result || !value.empty()) {
    return false;
  }
  int times = -1;
  if (!count_text.empty() && count_text != "*") {
    const auto count = parse_integer(count_text);
    if (!count || *count < 0 || *count > 0x7FFFFFFF) {
      return false;
    }
    times = static_cast<int>(*count);
  }
  set_fault(std::string(name), *result, times);
  return true;
}

// "NAME MS": the completion NAME comes MS milliseconds late.
bool apply_delay(std::string_view value) {
  const std::string_view name = next_word(value);
  const auto ms = parse_integer(next_word(value));
  if (name.empty() || !ms || *ms < 0 || *ms > 600000 || !value.empty()) {
    return false;
  }
  set_delay(std::string(name), static_cast<DWORD>(*ms));
  return true;
}

// Reads a number argument off the front of `rest`.
bool take_number(std::string_view &rest, int &out) {
  const auto value = parse_integer(next_word(rest));
  if (!value || *value < -0x80000000LL || *value > 0x7FFFFFFF) {
    return false;
  }
  out = static_cast<int>(*value);
  return true;
}

// Reads the trailing text, the rest of the line, if there is one.
bool take_optional_text(std::string_view rest, std::optional<std::wstring> &out) {
  if (rest.empty()) {
    out.reset();
    return true;
  }
  out = unescape(rest);
  return out.has_value();
}

// The action part of a rule: ACTION [ARGS], where a trailing text takes the rest of the line.
std::optional<Action> parse_action(std::string_view rest) {
  const std::string_view kind = next_word(rest);
  Action action;
  bool valid = false;
  if (kind == "web_message" || kind == "web_message_json" || kind == "title") {
    action.kind = kind == "title"         ? Action::Kind::title
                  : kind == "web_message" ? Action::Kind::web_message
                                          : Action::Kind::web_message_json;
    valid = take_optional_text(rest, action.text);
  } else if (kind == "web_message_from") {
    action.kind = Action::Kind::web_message_from;
    const std::string_view source = next_word(rest);
    action.source = unescape(source);
    valid = !source.empty() && action.source.has_value() && take_optional_text(rest, action.text);
  } else if (kind == "new_window") {
    action.kind = Action::Kind::new_window;
    const std::string_view uri = next_word(rest);
    action.source = unescape(uri);
    valid = !uri.empty() && action.source.has_value() && take_optional_text(rest, action.text);
  } else if (kind == "window_close_requested") {
    action.kind = Action::Kind::window_close_requested;
    valid = rest.empty();
  } else if (kind == "content_loading") {
    action.kind = Action::Kind::content_loading;
    valid = rest.empty();
  } else if (kind == "navigation_starting") {
    action.kind = Action::Kind::navigation_starting;
    valid = take_optional_text(rest, action.text);
  } else if (kind == "permission") {
    action.kind = Action::Kind::permission;
    valid = take_number(rest, action.number) && take_optional_text(rest, action.text);
  } else if (kind == "navigation_completed") {
    action.kind = Action::Kind::navigation_completed;
    valid = take_number(rest, action.number) && take_number(rest, action.status) &&
            take_optional_text(rest, action.text);
  } else if (kind == "process_failed") {
    action.kind = Action::Kind::process_failed;
    valid = take_number(rest, action.number) && rest.empty();
  } else if (kind == "script_dialog") {
    action.kind = Action::Kind::script_dialog;
    valid = take_number(rest, action.number) && take_optional_text(rest, action.text);
  } else if (kind == "close" || kind == "quit") {
    action.kind = kind == "close" ? Action::Kind::close : Action::Kind::quit;
    valid = rest.empty();
  }
  return valid ? std::optional<Action>(action) : std::nullopt;
}

bool apply_rule(std::string_view value) {
  const std::string_view trigger = next_word(value);
  const size_t hash = trigger.rfind('#');
  if (hash == std::string_view::npos || hash == 0) {
    return false;
  }
  Rule rule{std::string(trigger.substr(0, hash)), 0, 0, 0, {}};
  std::string_view occurrence = trigger.substr(hash + 1);
  if (const size_t dash = occurrence.find('-'); dash != std::string_view::npos && dash > 0) {
    const auto last = parse_integer(occurrence.substr(dash + 1));
    occurrence = occurrence.substr(0, dash);
    const auto first = parse_integer(occurrence);
    if (!first || !last || *first < 1 || *last < *first || *last > 0x7FFFFFFF) {
      return false;
    }
    rule.last = static_cast<int>(*last);
  }
  if (occurrence != "*") {
    const auto number = parse_integer(occurrence);
    if (!number || *number < 1 || *number > 0x7FFFFFFF) {
      return false;
    }
    rule.occurrence = static_cast<int>(*number);
  }
  if (!value.empty() && value.front() == '+') {
    std::string_view delay_text = next_word(value);
    const auto delay = parse_integer(delay_text.substr(1));
    if (!delay || *delay < 0 || *delay > 0x7FFFFFFF) {
      return false;
    }
    rule.delay_ms = static_cast<DWORD>(*delay);
  }
  const auto action = parse_action(value);
  if (!action) {
    return false;
  }
  rule.action = *action;
  add_rule(std::move(rule));
  return true;
}

bool apply_line(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    return false;
  }
  const std::string_view key = line.substr(0, equals);
  const std::string_view value = line.substr(equals + 1);
  if (key == "version") {
    const auto version = unescape(value);
    if (!version) {
      return false;
    }
    set_browser_version(*version);
    return true;
  }
  if (key == "keep_log") {
    if (value != "0" && value != "1") {
      return false;
    }
    keep_log_in_memory(value == "1");
    return true;
  }
  if (key == "fault") {
    return apply_fault(value);
  }
  if (key == "on") {
    return apply_rule(value);
  }
  if (key == "delay") {
    return apply_delay(value);
  }
  if (key == "complete") {
    const auto address = unescape(value);
    if (!address || address->empty()) {
      return false;
    }
    complete_navigations_to(*address);
    return true;
  }
  return false;
}

std::optional<std::string> read_file(const std::wstring &path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    return std::nullopt;
  }
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

} // namespace

int apply_config(std::string_view text) {
  int rejected = 0;
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
      continue;
    }
    if (!apply_line(line.substr(first))) {
      ++rejected;
      log_note("configuration line " + std::to_string(number) + " rejected: " + std::string(line));
    }
  }
  return rejected;
}

void apply_config_from_environment() {
  const auto path = environment_variable(L"WV2_DOUBLE_CONFIG");
  if (!path) {
    return;
  }
  const auto content = read_file(*path);
  if (!content) {
    log_note("cannot read the configuration file " + escape(*path, false));
    return;
  }
  apply_config(*content);
}

} // namespace wv2d
