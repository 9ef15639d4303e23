#include "opened_windows.hh"

#include "browser_page.hh"
#include "utf8.hh"

#include "src/log.hh"
#include "src/web_view.hh"
#include "src/window_features.hh"

namespace zbr {
namespace {

std::string target_params(const std::string &target) {
  return "{\"targetId\":" + quote(target) + "}";
}

// What the settled request does to the paused target.
wv2d::NewWindowSettled settle_target(BrowserProcess *browser, std::string target,
                                     std::string session, std::string url) {
  return [browser, target, session, url](const wv2d::NewWindowDecision &decision) {
    DevToolsConnection &c = browser->connection();
    if (decision.new_window) {
      decision.new_window->load_new_window(wide(url), decision.first_document_scripts);
      auto *page = static_cast<BrowserPage *>(decision.new_window->page());
      if (page) {
        page->take_over(target, session, decision.first_document_scripts);
      } else {
        c.send("Target.closeTarget", target_params(target));
      }
      if (!decision.handled) {
        // WebView2 opens the address on a popup of its own as well.
        wv2d::log_note("browser: " + url + " also opens in an unseen tab of the browser");
        c.send("Target.createTarget", "{\"url\":" + quote(url) + "}");
      }
    } else if (decision.handled) {
      c.send("Target.closeTarget", target_params(target)); // loads nothing
    } else {
      wv2d::log_note("browser: " + url + " runs as the runtime's own popup, unseen");
      c.send("Runtime.runIfWaitingForDebugger", "{}", session);
      c.send("Target.detachFromTarget", "{\"sessionId\":" + quote(session) + "}");
    }
  };
}

} // namespace

OpenedWindows::~OpenedWindows() {
  for (const auto &waiting : targets_) {
    browser_->connection().send("Target.closeTarget", target_params(waiting.first));
  }
}

void OpenedWindows::on_window_open(const Json &params) {
  opens_.push_back(window_open(params));
  raise_requests();
}

void OpenedWindows::on_target_attached(const std::string &target, const std::string &session) {
  targets_.emplace_back(target, session);
  raise_requests();
}

void OpenedWindows::raise_requests() {
  while (!opens_.empty() && !targets_.empty()) {
    const WindowOpen open = opens_.front();
    const auto [target, session] = targets_.front();
    opens_.pop_front();
    targets_.pop_front();
    opener_->raise_new_window_requested(
        wide(open.url), wv2d::parse_window_features(wide(open.features)), open.user_gesture,
        settle_target(browser_, target, session, open.url));
  }
}

} // namespace zbr
