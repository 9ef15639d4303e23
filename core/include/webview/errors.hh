// Error codes, size hints and native handle kinds shared by the engine and the flat interface.
#ifndef WEBVIEW_ERRORS_HH
#define WEBVIEW_ERRORS_HH

#include <cstdint>

namespace webview {

enum error_code : std::int32_t {
  error_missing_dependency = -5,
  error_canceled = -4,
  error_invalid_state = -3,
  error_invalid_argument = -2,
  error_unspecified = -1,
  ok = 0,
  error_duplicate = 1,
  error_not_found = 2
};

enum size_hint : std::int32_t { hint_none = 0, hint_min = 1, hint_max = 2, hint_fixed = 3 };

enum native_handle_kind : std::int32_t { ui_window = 0, ui_widget = 1, browser_controller = 2 };

} // namespace webview

#endif
