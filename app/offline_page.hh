// The offline page, filled with the address it retries.
#ifndef ZORVEL_APP_OFFLINE_PAGE_HH
#define ZORVEL_APP_OFFLINE_PAGE_HH

#include "app_assets.hh"

#include <string>

namespace zorvel {

// The address is written into a text-only script block of the page, which ends only at a
// closing script tag: a "<" in the address is percent-encoded (browsers report addresses that
// way already), so no address can end the block early. The inserted text is not searched again.
inline std::string fill_offline_page(const std::string &retry_address) {
  std::string page(assets::offline_page, assets::offline_page_size);
  std::string address;
  address.reserve(retry_address.size());
  for (char c : retry_address) {
    if (c == '<') {
      address += "%3C";
    } else {
      address += c;
    }
  }
  const std::size_t at = page.find("%URL%");
  if (at != std::string::npos) {
    page.replace(at, 5, address);
  }
  return page;
}

} // namespace zorvel

#endif
