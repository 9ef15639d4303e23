// Small rules about addresses and titles the shell applies to pages.
#ifndef ZORVEL_APP_PAGE_RULES_HH
#define ZORVEL_APP_PAGE_RULES_HH

#include <string>

namespace zorvel {

inline bool starts_with(const std::string &text, const char *prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Only https addresses are opened in the default browser (the scheme exactly in lower case).
inline bool is_https_address(const std::string &url) {
  return starts_with(url, "https://");
}

// The window shows the page's title, or the short application title for an empty one or an
// internal "about:" page.
inline bool is_displayable_title(const std::wstring &title) {
  return !title.empty() && title.compare(0, 6, L"about:") != 0;
}

} // namespace zorvel

#endif
