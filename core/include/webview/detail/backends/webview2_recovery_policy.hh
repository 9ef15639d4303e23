// What the engine does when a process of the browser fails, and how often it may do it.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_POLICY_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_POLICY_HH

#include "webview2_interfaces.hh"

#include <chrono>
#include <deque>

namespace webview {
namespace detail {

enum class browser_recovery { none, reload, replace, give_up };

// A renderer that exits is reloaded; one reported unresponsive `unresponsive_reports` times in a
// row is reloaded; a browser process that exits is replaced. Frame, GPU and utility processes
// need nothing (the browser restarts those itself). At most `max_recoveries` recoveries within
// `window`, counted afresh after each successful navigation; past that the browser is given up.
class webview2_recovery_policy {
public:
  using clock = std::chrono::steady_clock;
  static constexpr int max_recoveries = 3;
  static constexpr int unresponsive_reports = 3;
  static constexpr std::chrono::seconds window{120};

  browser_recovery on_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                                     clock::time_point now = clock::now()) {
    browser_recovery wanted = browser_recovery::none;
    switch (kind) {
    case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED:
      wanted = browser_recovery::replace;
      break;
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
      wanted = browser_recovery::reload;
      break;
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
      if (++unresponsive_in_a_row_ >= unresponsive_reports) {
        wanted = browser_recovery::reload;
      }
      break;
    default:
      break;
    }
    if (wanted == browser_recovery::none) {
      return wanted;
    }
    unresponsive_in_a_row_ = 0;
    while (!recent_.empty() && now - recent_.front() > window) {
      recent_.pop_front();
    }
    if (static_cast<int>(recent_.size()) >= max_recoveries) {
      return browser_recovery::give_up;
    }
    recent_.push_back(now);
    return wanted;
  }

  // The page loaded: it works again, so earlier failures no longer count.
  void on_navigation_succeeded() {
    recent_.clear();
    unresponsive_in_a_row_ = 0;
  }

private:
  std::deque<clock::time_point> recent_;
  int unresponsive_in_a_row_ = 0;
};

} // namespace detail
} // namespace webview

#endif
