// The version text the double reports for its runtime.

#ifndef WV2D_VERSION_HH
#define WV2D_VERSION_HH

#include <string>

namespace wv2d {

inline constexpr const wchar_t *kDefaultBrowserVersion = L"120.0.2210.91";

std::wstring browser_version();
void set_browser_version(std::wstring version);

} // namespace wv2d

#endif // WV2D_VERSION_HH
