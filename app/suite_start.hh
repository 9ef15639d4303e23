// What every suite window starts with: the page scripts, the suite's hosts, and the first
// address (the start page, with a link the program was started with).
#ifndef ZORVEL_APP_SUITE_START_HH
#define ZORVEL_APP_SUITE_START_HH

#include "app_assets.hh"
#include "launch_args.hh"
#include "shell_text.hh"
#include "suite_origin.hh"
#include "text_encoding.hh"

#include <string>

namespace zorvel {

inline std::string init_script() {
  std::string script;
  script.reserve(assets::native_bootstrap_script_size + assets::native_helper_script_size + 1 +
                 assets::dock_script_size);
  script.append(assets::native_bootstrap_script, assets::native_bootstrap_script_size);
  script.append(assets::native_helper_script, assets::native_helper_script_size);
  script += '\n';
  script.append(assets::dock_script, assets::dock_script_size);
  return script;
}

inline suite_sites configured_suite_sites() {
  return {config::suite_app_host, config::suite_main_host, config::suite_site_prefix,
          config::suite_domain};
}

inline std::string first_address(const launch_state &launch) {
  std::string url = config::start_url;
  if (!launch.link.empty()) {
    url += "&w=" + percent_encode(launch.link);
  }
  return url;
}

} // namespace zorvel

#endif
