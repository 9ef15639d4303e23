// Which documents count as the suite's own: the only ones the native services answer and the
// only ones that may read the clipboard.
#ifndef ZORVEL_APP_SUITE_ORIGIN_HH
#define ZORVEL_APP_SUITE_ORIGIN_HH

#include <string>

namespace zorvel {

// The suite's hosts: the start page's host, the main site, and the site hosts, which read
// site_prefix, one or more lower-case ASCII letters, "." and domain.
struct suite_sites {
  std::string app_host;
  std::string main_host;
  std::string site_prefix;
  std::string domain;
};

// The pieces of an absolute hierarchical address ("scheme://authority/path?query#fragment").
struct web_address {
  std::string scheme;
  std::string user_info; // before "@" in the authority
  std::string host;
  std::string port; // after ":" in the authority (also when empty, see has_port)
  bool has_user_info = false;
  bool has_port = false;
  std::string path; // up to "?" or "#"
};

// Splits `url` without decoding anything; false when it has no "scheme://" start.
inline bool split_web_address(const std::string &url, web_address &out) {
  const std::size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0 || url.compare(colon, 3, "://") != 0) {
    return false;
  }
  out = web_address{};
  out.scheme = url.substr(0, colon);
  const std::size_t authority_start = colon + 3;
  std::size_t authority_end = url.find_first_of("/?#", authority_start);
  if (authority_end == std::string::npos) {
    authority_end = url.size();
  }
  std::string authority = url.substr(authority_start, authority_end - authority_start);
  const std::size_t at = authority.rfind('@');
  if (at != std::string::npos) {
    out.has_user_info = true;
    out.user_info = authority.substr(0, at);
    authority.erase(0, at + 1);
  }
  // A bracketed IPv6 host may hold colons of its own.
  const std::size_t host_end = authority.empty() || authority[0] != '[' ? 0 : authority.find(']');
  const std::size_t port_colon =
      authority.find(':', host_end == std::string::npos ? authority.size() : host_end);
  if (port_colon != std::string::npos) {
    out.has_port = true;
    out.port = authority.substr(port_colon + 1);
    authority.erase(port_colon);
  }
  out.host = authority;
  const std::size_t path_end = url.find_first_of("?#", authority_end);
  out.path = url.substr(authority_end, path_end == std::string::npos ? std::string::npos
                                                                     : path_end - authority_end);
  return true;
}

inline bool is_lower_letters(const std::string &text, std::size_t from, std::size_t to) {
  if (from >= to) {
    return false;
  }
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] < 'a' || text[i] > 'z') {
      return false;
    }
  }
  return true;
}

// A site host in full: prefix, letters, ".", domain; compared byte for byte.
inline bool is_suite_site_host(const std::string &host, const suite_sites &sites) {
  const std::string tail = "." + sites.domain;
  if (host.size() < sites.site_prefix.size() + 1 + tail.size() ||
      host.compare(0, sites.site_prefix.size(), sites.site_prefix) != 0 ||
      host.compare(host.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  return is_lower_letters(host, sites.site_prefix.size(), host.size() - tail.size());
}

// The address the browser reports for a document is the suite's when it is https, names no
// user and no port, and its host is the start page's host or a site host exactly (no upper
// case, no escapes, no trailing dot). `address` receives its pieces.
inline bool split_suite_address(const std::string &url, const suite_sites &sites,
                                web_address &address) {
  if (!split_web_address(url, address) || address.scheme != "https" || address.has_user_info ||
      address.has_port) {
    return false;
  }
  return address.host == sites.app_host || is_suite_site_host(address.host, sites);
}

inline bool is_suite_document(const std::string &url, const suite_sites &sites) {
  web_address address;
  return split_suite_address(url, sites, address);
}

// A suite editor page: the main site under /suite/ or /en/suite/.
inline bool is_suite_editor_document(const std::string &url, const suite_sites &sites) {
  web_address address;
  if (!split_suite_address(url, sites, address) || address.host != sites.main_host) {
    return false;
  }
  return address.path.rfind("/suite/", 0) == 0 || address.path.rfind("/en/suite/", 0) == 0;
}

} // namespace zorvel

#endif
