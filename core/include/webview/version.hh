// Version of the host core, as reported by webview_version.
#ifndef WEBVIEW_VERSION_HH
#define WEBVIEW_VERSION_HH

#include "webview.h"

namespace webview {
namespace detail {

inline const webview_version_info_t library_version_info{0, 12, 0, "0.12.0", "", ""};

} // namespace detail
} // namespace webview

#endif
