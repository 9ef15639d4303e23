#include "lifecycle.hh"

#include "callback_queue.hh"
#include "config.hh"
#include "faults.hh"
#include "log.hh"
#include "script.hh"
#include "version.hh"
#include "web_view.hh"

#include <mutex>

namespace wv2d {

void ensure_initialized() {
  static std::once_flag once;
  std::call_once(once, reset_state);
}

void reset_state() {
  drop_callbacks();
  clear_faults();
  clear_rules();
  reset_script_ids();
  set_browser_version(kDefaultBrowserVersion);
  clear_log();
  open_log_file_from_environment();
  apply_config_from_environment();
}

} // namespace wv2d
