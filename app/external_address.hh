// The addresses a page may have opened in the user's default browser.
#ifndef ZORVEL_APP_EXTERNAL_ADDRESS_HH
#define ZORVEL_APP_EXTERNAL_ADDRESS_HH

#include "suite_origin.hh"

#include <cstddef>
#include <string>

namespace zorvel {

// The longest address handed to the default browser.
constexpr std::size_t max_external_address = 2048;

inline bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline bool is_host_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

inline bool is_valid_host(const std::string &host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    for (std::size_t i = 1; i + 1 < host.size(); ++i) {
      if (!is_hex_digit(host[i]) && host[i] != ':' && host[i] != '.') {
        return false;
      }
    }
    return true;
  }
  if (host.empty() || host.front() == '.' || host.find("..") != std::string::npos) {
    return false;
  }
  for (char c : host) {
    if (!is_host_char(c)) {
      return false;
    }
  }
  return true;
}

inline bool is_valid_port(const std::string &port) {
  if (port.empty() || port.size() > 5) {
    return false;
  }
  unsigned long value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value > 0 && value <= 65535;
}

// The address as the default browser gets it: an absolute https address (scheme in lower case)
// with a well-formed host and port and no user name, of at most max_external_address
// characters once the characters that cannot stand in an address (spaces, quotes, angle
// brackets, non-ASCII bytes, a "%" that starts no escape, ...) are percent-encoded. Empty when
// the address is refused; control characters are refused rather than encoded.
inline std::string external_address(const std::string &url) {
  web_address parts;
  if (url.compare(0, 8, "https://") != 0 || !split_web_address(url, parts) || parts.has_user_info ||
      !is_valid_host(parts.host) || (parts.has_port && !is_valid_port(parts.port))) {
    return {};
  }
  const std::size_t rest = url.find_first_of("/?#", 8);
  std::string out = url.substr(0, rest);
  static const char hex[] = "0123456789ABCDEF";
  for (std::size_t i = rest == std::string::npos ? url.size() : rest; i < url.size(); ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    if (c < 0x20 || c == 0x7F) {
      return {};
    }
    const bool escape_start =
        c == '%' && i + 2 < url.size() && is_hex_digit(url[i + 1]) && is_hex_digit(url[i + 2]);
    const bool unsafe = c >= 0x80 || c == ' ' || c == '"' || c == '<' || c == '>' || c == '\\' ||
                        c == '^' || c == '`' || c == '{' || c == '|' || c == '}' ||
                        (c == '%' && !escape_start);
    if (unsafe) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
    if (out.size() > max_external_address) {
      return {};
    }
  }
  return out.size() <= max_external_address ? out : std::string();
}

} // namespace zorvel

#endif
