#include "web_error_status.hh"

namespace zbr {
namespace {

struct Entry {
  std::string_view text;
  int status;
};

// Status values: 1 common name incorrect, 2 expired, 3 client certificate, 4 revoked,
// 5 certificate invalid, 6 server unreachable, 7 timeout, 8 invalid server response,
// 9 connection aborted, 10 connection reset, 11 disconnected, 12 cannot connect,
// 13 host name not resolved, 14 operation canceled, 15 redirect failed, 16 unexpected error,
// 17 authentication required, 18 proxy authentication required.
constexpr Entry kEntries[] = {
    {"ERR_NAME_NOT_RESOLVED", 13},
    {"ERR_NAME_RESOLUTION_FAILED", 13},
    {"ERR_CONNECTION_REFUSED", 12},
    {"ERR_CONNECTION_FAILED", 12},
    {"ERR_ADDRESS_UNREACHABLE", 6},
    {"ERR_ADDRESS_INVALID", 6},
    {"ERR_CONNECTION_RESET", 10},
    {"ERR_CONNECTION_CLOSED", 10},
    {"ERR_CONNECTION_ABORTED", 9},
    {"ERR_TIMED_OUT", 7},
    {"ERR_CONNECTION_TIMED_OUT", 7},
    {"ERR_INTERNET_DISCONNECTED", 11},
    {"ERR_NETWORK_CHANGED", 11},
    {"ERR_EMPTY_RESPONSE", 8},
    {"ERR_INVALID_HTTP_RESPONSE", 8},
    {"ERR_INVALID_RESPONSE", 8},
    {"ERR_RESPONSE_HEADERS_TRUNCATED", 8},
    {"ERR_CERT_COMMON_NAME_INVALID", 1},
    {"ERR_CERT_DATE_INVALID", 2},
    {"ERR_BAD_SSL_CLIENT_AUTH_CERT", 3},
    {"ERR_SSL_CLIENT_AUTH_CERT_NEEDED", 3},
    {"ERR_CERT_REVOKED", 4},
    {"ERR_ABORTED", 14},
    {"ERR_TOO_MANY_REDIRECTS", 15},
    {"ERR_UNSAFE_REDIRECT", 15},
    {"ERR_INVALID_REDIRECT", 15},
    {"ERR_UNEXPECTED", 16},
    {"ERR_INVALID_AUTH_CREDENTIALS", 17},
    {"ERR_PROXY_AUTH_REQUESTED", 18},
    {"ERR_PROXY_CONNECTION_FAILED", 12},
};

} // namespace

int web_error_status(std::string_view error_text) {
  if (error_text.rfind("net::", 0) == 0) {
    error_text.remove_prefix(5);
  }
  for (const Entry &entry : kEntries) {
    if (entry.text == error_text) {
      return entry.status;
    }
  }
  // Any other certificate error: the certificate is not valid.
  if (error_text.rfind("ERR_CERT_", 0) == 0 || error_text.rfind("ERR_SSL_", 0) == 0) {
    return 5;
  }
  return 0;
}

} // namespace zbr
