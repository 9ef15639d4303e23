// The three native services offered to the suite's pages as bound functions.
#ifndef ZORVEL_APP_NATIVE_BINDINGS_HH
#define ZORVEL_APP_NATIVE_BINDINGS_HH

#include "launch_args.hh"
#include "launch_file_json.hh"
#include "page_rules.hh"
#include "shell_text.hh"
#include "string_arg.hh"
#include "tray_notify.hh"

#include <webview/detail/engine_base.hh>

#include <windows.h>

#include <shellapi.h>

#include <string>

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

// "__zoExternal"(url): opens https addresses only; always "true".
inline std::string external_handler(const std::string &request) {
  const std::string url = string_arg(request, 0);
  if (is_https_address(url)) {
    open_in_browser(widen(url));
  }
  return "true";
}

// Registered in this order; a name that is already bound is left as it is.
inline void bind_native_services(webview::detail::engine_base &engine, HWND window,
                                 launch_state &launch) {
  engine.bind("__zoNotify", [window](std::string req) { return notify_handler(window, req); });
  engine.bind("__zoArgFile", [&launch](std::string) { return launch_file_handler(launch); });
  engine.bind("__zoExternal", [](std::string req) { return external_handler(req); });
}

} // namespace zorvel

#endif
