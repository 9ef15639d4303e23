// The WebView2 error status (COREWEBVIEW2_WEB_ERROR_STATUS value) of a failed navigation, from
// the browser's network error text ("net::ERR_NAME_NOT_RESOLVED", ...).

#ifndef ZBR_WEB_ERROR_STATUS_HH
#define ZBR_WEB_ERROR_STATUS_HH

#include <string_view>

namespace zbr {

int web_error_status(std::string_view error_text);

} // namespace zbr

#endif // ZBR_WEB_ERROR_STATUS_HH
