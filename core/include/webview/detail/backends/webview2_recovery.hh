// Recovery of the browser control when one of the browser's processes fails: the page is
// reloaded, or the whole browser is replaced in the same window with everything the engine and
// its host had attached to it, and back on the last address. Past the recovery bound the
// browser is given up: an owned window closes, and browser_lost() tells the host why.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_HH

#include "win32_edge_engine.hh"

namespace webview {
namespace detail {

inline void win32_edge_engine::on_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
  if (replacing || lost || destroying) {
    return; // a replacement is already on its way, or nothing is left to recover
  }
  switch (recovery.on_process_failed(kind)) {
  case browser_recovery::none:
    return;
  case browser_recovery::reload:
    browser->Reload();
    return;
  case browser_recovery::replace:
    // Not inside the browser's own callback: the replacement waits for the new browser.
    replacing = true;
    dispatch([this] { replace_browser(); });
    return;
  case browser_recovery::give_up:
    replacing = true;
    dispatch([this] { give_up_browser(); });
    return;
  }
}

inline void win32_edge_engine::replace_browser() {
  if (destroying || lost || widget_window == nullptr) {
    replacing = false;
    return;
  }
  if (controller) {
    controller->Close(); // what is left of the old browser lets go of its handlers
  }
  release_browser();
  if (create_browser(widget_window)) {
    replacing = false;
    PostQuitMessage(quit_code); // the application is ending: no new browser is needed
    return;
  }
  if (!controller || !browser || !apply_browser_settings(browser.get(), debug).ok()) {
    give_up_browser();
    return;
  }
  attach_engine_handlers();
  reinstall_user_scripts();
  if (!browser) {
    return; // the new browser failed while its scripts were added; that failure is handled
  }
  show_browser(owns_window() && main_window != nullptr && GetActiveWindow() == main_window);
  replacing = false;
  if (browser_created) {
    try {
      browser_created();
    } catch (...) {
      // The host's additions are missing; the page itself still works.
    }
  }
  browser->Navigate(utf8_to_utf16(last_address).c_str());
}

inline void win32_edge_engine::give_up_browser() {
  replacing = false;
  if (destroying || lost) {
    return;
  }
  lost = true;
  stop_leave_timer();
  if (controller) {
    controller->Close();
  }
  release_browser();
  if (owns_window() && main_window != nullptr) {
    DestroyWindow(main_window); // never a dead window: the loop ends, the host falls back
  }
}

} // namespace detail
} // namespace webview

#endif
