// The three native services offered to the suite's pages as bound functions.
#ifndef ZORVEL_APP_NATIVE_BINDINGS_HH
#define ZORVEL_APP_NATIVE_BINDINGS_HH

#include "burst_limit.hh"
#include "external_address.hh"
#include "launch_args.hh"
#include "launch_file_json.hh"
#include "page_rules.hh"
#include "shell_text.hh"
#include "string_arg.hh"
#include "suite_origin.hh"
#include "tray_notify.hh"

#include <webview/detail/engine_base.hh>

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace zorvel {

// Opens an address in the user's default browser.
inline void open_in_browser(const std::wstring &url) {
  ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// "__zoNotify"(title, body): a balloon from the tray icon; always "true".
inline std::string notify_handler(HWND window, const std::string &request) {
  show_balloon(window, string_arg(request, 0), string_arg(request, 1));
  return "true";
}

// "__zoArgFile"(): the launch file once, then "null".
inline std::string launch_file_handler(launch_state &launch) {
  return take_launch_file(launch.file_name, launch.file_b64);
}

// How many addresses, and how many balloons, pages may have opened or shown within the window.
constexpr std::size_t external_burst = 3;
constexpr std::size_t notify_burst = 5;
constexpr std::uint64_t burst_window_ms = 10000;

// The answer to a service call from a document outside the suite: the page's promise is rejected.
inline webview::detail::binding_answer not_allowed() {
  return {1, "\"not allowed for this page\""};
}

// The state the services share: which documents they answer and their burst limits.
struct service_policy {
  explicit service_policy(suite_sites sites) : sites(std::move(sites)) {}
  suite_sites sites;
  burst_limit external{external_burst, burst_window_ms};
  burst_limit notify{notify_burst, burst_window_ms};
};

// Registered in this order; a name that is already bound is left as it is. Notifications and
// addresses are served to suite documents only; the launch file only to the suite's editor
// pages (any other document gets null and the file stays for the editor). A refused address or
// a call past a burst limit still answers true, as a failed shell call does. The policy is
// returned for the window's other ways out to the default browser.
inline std::shared_ptr<service_policy> bind_native_services(webview::detail::engine_base &engine,
                                                            HWND window, launch_state &launch,
                                                            const suite_sites &sites) {
  using webview::detail::binding_answer;
  auto policy = std::make_shared<service_policy>(sites);
  engine.bind_with_source("__zoNotify",
                          [window, policy](const std::string &req, const std::string &source) {
                            if (!is_suite_document(source, policy->sites)) {
                              return not_allowed();
                            }
                            if (policy->notify.allow(GetTickCount64())) {
                              notify_handler(window, req);
                            }
                            return binding_answer{0, "true"};
                          });
  engine.bind_with_source("__zoArgFile",
                          [&launch, policy](const std::string &, const std::string &source) {
                            if (!is_suite_editor_document(source, policy->sites)) {
                              return binding_answer{0, "null"};
                            }
                            binding_answer answer{0, launch_file_handler(launch)};
                            if (answer.result != "null") {
                              // Its page went away before the reply arrived: the file waits
                              // for the next editor page.
                              answer.undelivered = [&launch](std::string json) {
                                give_back_launch_file(json, launch.file_b64);
                              };
                            }
                            return answer;
                          });
  engine.bind_with_source("__zoExternal",
                          [policy](const std::string &req, const std::string &source) {
                            if (!is_suite_document(source, policy->sites)) {
                              return not_allowed();
                            }
                            const std::string address = external_address(string_arg(req, 0));
                            if (!address.empty() && policy->external.allow(GetTickCount64())) {
                              open_in_browser(widen(address));
                            }
                            return binding_answer{0, "true"};
                          });
  return policy;
}

} // namespace zorvel

#endif
