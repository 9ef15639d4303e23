// Encodings the shell uses to hand data to pages: base64 for the launch file, percent-encoding
// for the link passed to the start page.
#ifndef ZORVEL_APP_TEXT_ENCODING_HH
#define ZORVEL_APP_TEXT_ENCODING_HH

#include <cstddef>
#include <string>

namespace zorvel {

// Length of the base64 text of `n` bytes: four characters per started group of three.
constexpr std::size_t base64_size(std::size_t n) noexcept {
  return 4 * ((n + 2) / 3);
}

// Writes the RFC 4648 base64 text of `n` bytes (padded, no line breaks) to `out`, which has room
// for base64_size(n) characters.
inline void base64_write(const unsigned char *data, std::size_t n, char *out) noexcept {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3, out += 4) {
    const unsigned v = static_cast<unsigned>(data[i]) << 16 | data[i + 1] << 8 | data[i + 2];
    out[0] = alphabet[v >> 18];
    out[1] = alphabet[(v >> 12) & 63];
    out[2] = alphabet[(v >> 6) & 63];
    out[3] = alphabet[v & 63];
  }
  if (n - i == 1) {
    const unsigned v = static_cast<unsigned>(data[i]) << 16;
    out[0] = alphabet[v >> 18];
    out[1] = alphabet[(v >> 12) & 63];
    out[2] = '=';
    out[3] = '=';
  } else if (n - i == 2) {
    const unsigned v = static_cast<unsigned>(data[i]) << 16 | data[i + 1] << 8;
    out[0] = alphabet[v >> 18];
    out[1] = alphabet[(v >> 12) & 63];
    out[2] = alphabet[(v >> 6) & 63];
    out[3] = '=';
  }
}

// Appends the base64 text of `n` bytes to `out`.
inline void base64_append(const unsigned char *data, std::size_t n, std::string &out) {
  const std::size_t at = out.size();
  out.resize(at + base64_size(n));
  base64_write(data, n, &out[at]);
}

inline std::string base64_encode(const unsigned char *data, std::size_t n) {
  std::string out;
  base64_append(data, n, out);
  return out;
}

inline std::string base64_encode(const std::string &bytes) {
  return base64_encode(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
}

// ASCII letters, digits and "-._~" stay; every other byte becomes %XX (upper-case hex).
inline std::string percent_encode(const std::string &text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

} // namespace zorvel

#endif
