// Recovery of the browser control when one of the browser's processes fails: the page is
// reloaded, the user is asked about a page that stopped responding, or the whole browser is
// replaced in the same window with everything the engine and its host had attached to it, and
// back on the last address. Past the recovery bound the browser is given up: an owned window
// closes, and browser_lost() tells the host why.
//
// Failures are queued and handled from the loop, one at a time, never inside an operation that
// waits for the browser (construction, a script registration, a replacement) or while one of the
// engine's questions is on screen: such an operation would otherwise go on with a browser that
// was replaced or released under it.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_HH

#include "win32_edge_engine.hh"

namespace webview {
namespace detail {

inline void win32_edge_engine::on_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
  if (lost || destroying) {
    return; // nothing is left to recover
  }
  failures.push_back(kind);
  schedule_failures();
}

inline bool win32_edge_engine::busy() const noexcept {
  return constructing || script_waits > 0 || replacing || dialog_shown;
}

inline void win32_edge_engine::schedule_failures() {
  if (failures.empty() || failures_scheduled || busy() || destroying) {
    return; // the operation under way schedules them when it ends
  }
  failures_scheduled = dispatch([this] { handle_failures(); }).ok();
}

inline void win32_edge_engine::handle_failures() {
  failures_scheduled = false;
  while (!failures.empty() && !busy() && !destroying) {
    if (lost) {
      failures.clear();
      return;
    }
    const COREWEBVIEW2_PROCESS_FAILED_KIND kind = failures.front();
    failures.pop_front();
    switch (recovery.on_process_failed(kind)) {
    case browser_recovery::none:
      break;
    case browser_recovery::reload:
      if (browser) {
        browser->Reload();
      }
      break;
    case browser_recovery::ask_user:
      ask_about_unresponsive_page();
      break;
    case browser_recovery::replace:
      replace_browser();
      break;
    case browser_recovery::give_up:
      give_up_browser();
      break;
    }
  }
}

// Yes waits (the page keeps its state), No reloads. Reports that come while the question is on
// screen are the same hang and are not asked about again.
inline void win32_edge_engine::ask_about_unresponsive_page() {
  if (main_window == nullptr || !browser) {
    return;
  }
  dialog_shown = true;
  const bool wait = MessageBoxW(main_window, texts.page_unresponsive.c_str(),
                                window_caption().c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
  dialog_shown = false;
  failures.erase(std::remove(failures.begin(), failures.end(),
                             COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE),
                 failures.end());
  if (!wait && browser) {
    browser->Reload();
  }
  after_dialog();
}

inline void win32_edge_engine::replace_browser() {
  if (destroying || lost || widget_window == nullptr) {
    return;
  }
  replacing = true;
  if (controller) {
    controller->Close(); // what is left of the old browser lets go of its handlers
  }
  release_browser();
  // The old browser's document is gone, and its navigations never end: its calls are not
  // answered in the new one.
  on_document_changed();
  if (create_browser(widget_window)) {
    replacing = false;
    PostQuitMessage(quit_code); // the application is ending: no new browser is needed
    return;
  }
  if (!controller || !browser || !apply_browser_settings(browser.get(), debug).ok()) {
    replacing = false;
    give_up_browser();
    return;
  }
  attach_engine_handlers();
  reinstall_user_scripts();
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
  schedule_failures(); // the new browser may have failed while it was being set up
}

inline void win32_edge_engine::give_up_browser() {
  if (destroying || lost) {
    return;
  }
  lost = true;
  failures.clear();
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
