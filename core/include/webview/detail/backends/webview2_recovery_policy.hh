// What the engine does when a process of the browser fails, and how often it may do it.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_POLICY_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_RECOVERY_POLICY_HH

#include "webview2_interfaces.hh"

#include <chrono>
#include <deque>

namespace webview {
namespace detail {

enum class browser_recovery { none, reload, replace, ask_user, give_up };

// A renderer that exits is reloaded and a browser process that exits is replaced, at most
// `max_recoveries` times within any `recovery_window`: a page that fails after every load ends
// in give_up rather than in an endless loop, and a successful load does not reset the count.
// A renderer reported unresponsive `unresponsive_reports` times within `unresponsive_window`
// is the user's to decide (wait or reload): a busy editor keeps its state unless the user says
// otherwise, and reports far apart never add up. Frame, GPU and utility processes need nothing
// (the browser restarts those itself).
class webview2_recovery_policy {
public:
  using clock = std::chrono::steady_clock;
  static constexpr int max_recoveries = 3;
  static constexpr std::chrono::minutes recovery_window{10};
  static constexpr int unresponsive_reports = 3;
  static constexpr std::chrono::seconds unresponsive_window{60};

  browser_recovery on_process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind,
                                     clock::time_point now = clock::now()) {
    switch (kind) {
    case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED:
      return counted(browser_recovery::replace, now);
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
      return counted(browser_recovery::reload, now);
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
      forget_older(unresponsive_, now - unresponsive_window);
      unresponsive_.push_back(now);
      if (static_cast<int>(unresponsive_.size()) < unresponsive_reports) {
        return browser_recovery::none;
      }
      unresponsive_.clear(); // asked now; the next question needs as many reports again
      return browser_recovery::ask_user;
    default:
      return browser_recovery::none;
    }
  }

private:
  static void forget_older(std::deque<clock::time_point> &times, clock::time_point limit) {
    while (!times.empty() && times.front() < limit) {
      times.pop_front();
    }
  }

  browser_recovery counted(browser_recovery wanted, clock::time_point now) {
    forget_older(recent_, now - recovery_window);
    if (static_cast<int>(recent_.size()) >= max_recoveries) {
      return browser_recovery::give_up;
    }
    recent_.push_back(now);
    return wanted;
  }

  std::deque<clock::time_point> recent_;
  std::deque<clock::time_point> unresponsive_;
};

} // namespace detail
} // namespace webview

#endif
