// Reads the string arguments of a binding call from its JSON argument array.
#ifndef ZORVEL_APP_STRING_ARG_HH
#define ZORVEL_APP_STRING_ARG_HH

#include <cstdlib>
#include <string>

namespace zorvel {

// Appends the UTF-8 form of one escaped code unit; surrogate halves are encoded on their own.
inline void append_utf8_unit(std::string &out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | ((cp >> 12) & 0x0F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The index-th string literal of `request` (counted by opening quotes; numbers, literals and
// nesting contribute nothing), decoded to UTF-8; an empty text when there are fewer.
inline std::string string_arg(const std::string &request, std::size_t index) {
  std::size_t pos = 0;
  for (std::size_t n = 0;; ++n) {
    const std::size_t open = request.find('"', pos);
    if (open == std::string::npos) {
      return {};
    }
    std::string value;
    std::size_t i = open + 1;
    for (; i < request.size() && request[i] != '"'; ++i) {
      if (request[i] != '\\') {
        value += request[i];
        continue;
      }
      if (i + 1 == request.size()) {
        value += '\\'; // a trailing backslash stays
        continue;
      }
      const char e = request[++i];
      switch (e) {
      case 'n':
        value += '\n';
        break;
      case 't':
        value += '\t';
        break;
      case 'r':
        value += '\r';
        break;
      case 'b':
        value += '\b';
        break;
      case 'f':
        value += '\f';
        break;
      case 'u':
        if (request.size() - i > 4) {
          // Reads the four characters after 'u' up to the first that is not a hex digit.
          const std::string digits = request.substr(i + 1, 4);
          append_utf8_unit(value, std::strtoul(digits.c_str(), nullptr, 16));
          i += 4;
        } else {
          value += 'u';
        }
        break;
      default:
        value += e;
      }
    }
    if (n == index) {
      return value;
    }
    pos = i + 1;
  }
}

} // namespace zorvel

#endif
