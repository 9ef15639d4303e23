#include "lifecycle.hh"

#include "callback_queue.hh"
#include "com_object.hh"
#include "config.hh"
#include "faults.hh"
#include "log.hh"
#include "script.hh"
#include "version.hh"
#include "web_view.hh"

#include <cstdlib>
#include <mutex>
#include <string>

namespace wv2d {

void ensure_initialized() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The last line of every run tells whether the program released all it was given.
    std::atexit([] { log_note("exit with " + std::to_string(live_objects()) + " live objects"); });
    reset_state();
  });
}

void reset_state() {
  drop_callbacks();
  clear_faults();
  clear_rules();
  reset_script_ids();
  set_browser_version(kDefaultBrowserVersion);
  clear_log();
  keep_log_in_memory(true);
  open_log_file_from_environment();
  apply_config_from_environment();
}

} // namespace wv2d
