// Where a window that a page opens goes: the suite's documents get a window of their own, other
// pages that ask for a popup (a sign-in or share window) get one owned by their opener, and any
// other address goes to the user's default browser.
#ifndef ZORVEL_APP_NEW_WINDOW_RULES_HH
#define ZORVEL_APP_NEW_WINDOW_RULES_HH

#include "external_address.hh"
#include "suite_origin.hh"

#include <string>

namespace zorvel {

enum class new_window_place {
  suite_window,    // a window of the program, with the services and page scripts
  popup,           // a window owned by its opener, without the services
  default_browser, // the address is opened in the default browser; the page's window stays empty
  nowhere,         // nothing opens
};

// `asks_for_popup`: the page gave a position or a size for the window. A popup may show an https
// page, or start empty for its opener to fill; anything else (file:, data:, javascript:, other
// schemes) opens nowhere, as does an address the default browser may not be given.
inline new_window_place place_for_new_window(const std::string &uri, bool asks_for_popup,
                                             const suite_sites &sites) {
  if (is_suite_document(uri, sites)) {
    return new_window_place::suite_window;
  }
  if (asks_for_popup) {
    web_address address;
    const bool https = split_web_address(uri, address) && address.scheme == "https";
    return https || uri == "about:blank" ? new_window_place::popup : new_window_place::nowhere;
  }
  return external_address(uri).empty() ? new_window_place::nowhere
                                       : new_window_place::default_browser;
}

} // namespace zorvel

#endif
