// The windows a page opens (window.open, a link with a target). The browser reports each twice:
// Page.windowOpen on the opener's session (address, features, user gesture), and a new page
// target with the opener's id, attached by the browser-wide auto-attach and paused before it
// loads anything. Each pair becomes NewWindowRequested on the opener's web view; as the request
// settles (webview2-semantics.md §3) the paused target is
//
//   - taken over by the web view given as NewWindow (BrowserPage::take_over), so window.opener
//     works; without Handled the browser also opens the address in a tab of its own, unseen;
//   - closed when the request is Handled without a NewWindow (the opener's window loads nothing);
//   - left running, unseen, as the runtime's own popup when neither is set.

#ifndef ZBR_OPENED_WINDOWS_HH
#define ZBR_OPENED_WINDOWS_HH

#include "browser_process.hh"
#include "window_open.hh"

#include <deque>
#include <string>
#include <utility>

namespace wv2d {
class WebView;
}

namespace zbr {

class OpenedWindows {
public:
  OpenedWindows(wv2d::WebView *opener, BrowserProcess *browser)
      : opener_(opener), browser_(browser) {}
  // Targets still waiting for their request are closed: their opener is gone.
  ~OpenedWindows();
  OpenedWindows(const OpenedWindows &) = delete;
  OpenedWindows &operator=(const OpenedWindows &) = delete;

  // Page.windowOpen of the opener's session.
  void on_window_open(const Json &params);
  // A new page target opened by the opener, paused, attached as `session`.
  void on_target_attached(const std::string &target, const std::string &session);

private:
  void raise_requests();

  wv2d::WebView *opener_;
  BrowserProcess *browser_;
  std::deque<WindowOpen> opens_;
  std::deque<std::pair<std::string, std::string>> targets_; // target id, session
};

} // namespace zbr

#endif // ZBR_OPENED_WINDOWS_HH
