// The one Chromium of this process: started headless on first use with a user-data folder of
// its own, reached over DevTools on 127.0.0.1, and closed with Browser.close when the last page
// closes or the process ends. Events of each page's session go to that page.
//
// Environment:
//   ZO_BROWSER_RUNTIME_CHROMIUM    the browser executable (default Z:\usr\lib\chromium\chromium)
//   ZO_BROWSER_RUNTIME_HOST_RULES  value of --host-resolver-rules, e.g. to map the suite's host
//                                  names to a server on loopback
//   ZO_BROWSER_RUNTIME_PROFILE     the user-data folder (kept); default a fresh folder under
//                                  Z:\tmp, removed at the end
//   ZO_BROWSER_RUNTIME_ARGS        more command-line arguments for the browser

#ifndef ZBR_BROWSER_PROCESS_HH
#define ZBR_BROWSER_PROCESS_HH

#include "devtools_connection.hh"

#include <functional>
#include <map>
#include <string>

namespace zbr {

class BrowserProcess {
public:
  using SessionHandler = std::function<void(const std::string &method, const Json &params)>;

  // The running browser, started on first call; null when it cannot be started.
  static BrowserProcess *get();

  DevToolsConnection &connection() { return connection_; }
  void add_session(const std::string &session, SessionHandler handler);
  void remove_session(const std::string &session);
  // Called for every session when the browser is gone.
  void on_lost(std::function<void()> handler) { lost_handlers_.push_back(std::move(handler)); }
  // Receives the events of the browser itself (no session).
  void on_browser_event(SessionHandler handler) { browser_events_ = std::move(handler); }
  // From now on, every new target is attached, paused before it loads (the windows pages open),
  // and destroyed targets are reported. Only once a page exists: before that, Target.createTarget
  // hung. Does something the first time only.
  void watch_new_targets();

  // Browser.close, waiting briefly for the browser to go.
  void close();
  // Shuts the browser down at process exit when no page closed it (called from DllMain).
  static void close_at_exit();

private:
  BrowserProcess() = default;
  bool start();

  DevToolsConnection connection_;
  std::map<std::string, SessionHandler> sessions_;
  std::vector<std::function<void()>> lost_handlers_;
  SessionHandler browser_events_;
  bool watching_ = false;
  std::wstring profile_;
  bool remove_profile_ = false;
  bool closed_ = false;
};

} // namespace zbr

#endif // ZBR_BROWSER_PROCESS_HH
