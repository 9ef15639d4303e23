// Reference UTF-8 <-> UTF-16 conversions for the tests, written from the Unicode table of
// well-formed UTF-8 byte sequences: each lead byte range names the range its second byte must
// fall in and how many bytes follow. Any ill-formed input gives an empty result.
#ifndef TESTS_CORE_REFERENCE_UTF_HH
#define TESTS_CORE_REFERENCE_UTF_HH

#include <cstddef>
#include <string>

namespace reference {

struct utf8_form {
  unsigned char lead_first, lead_last;     // range of the first byte
  unsigned char second_first, second_last; // range of the second byte
  int following;                           // bytes after the first; all past the second are 80..BF
};

// The well-formed multi-byte sequences, row by row.
inline const utf8_form utf8_forms[] = {
    {0xC2, 0xDF, 0x80, 0xBF, 1}, {0xE0, 0xE0, 0xA0, 0xBF, 2}, {0xE1, 0xEC, 0x80, 0xBF, 2},
    {0xED, 0xED, 0x80, 0x9F, 2}, {0xEE, 0xEF, 0x80, 0xBF, 2}, {0xF0, 0xF0, 0x90, 0xBF, 3},
    {0xF1, 0xF3, 0x80, 0xBF, 3}, {0xF4, 0xF4, 0x80, 0x8F, 3},
};

// The form whose lead range holds `lead`, or null when no well-formed sequence starts with it.
inline const utf8_form *form_of(unsigned char lead) {
  for (const utf8_form &f : utf8_forms) {
    if (lead >= f.lead_first && lead <= f.lead_last) {
      return &f;
    }
  }
  return nullptr;
}

// Appends scalar value `cp` to `out` as one unit or as a surrogate pair.
inline void append_utf16(char32_t cp, std::u16string &out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
    return;
  }
  const char32_t above = cp - 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 | (above >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 | (above & 0x3FF)));
}

// Length of the well-formed sequence that starts at text[i], or 0 when there is none.
inline std::size_t well_formed_length(const std::string &text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    return 1;
  }
  const utf8_form *form = form_of(lead);
  if (form == nullptr || text.size() - i <= static_cast<std::size_t>(form->following)) {
    return 0;
  }
  for (int k = 1; k <= form->following; ++k) {
    const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    const unsigned char first = k == 1 ? form->second_first : 0x80;
    const unsigned char last = k == 1 ? form->second_last : 0xBF;
    if (b < first || b > last) {
      return 0;
    }
  }
  return 1 + static_cast<std::size_t>(form->following);
}

inline std::u16string utf8_to_utf16(const std::string &text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = well_formed_length(text, i);
    if (length == 0) {
      return {};
    }
    // The first byte keeps 7, 5, 4 or 3 payload bits; every later byte 6.
    const auto lead = static_cast<unsigned char>(text[i]);
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      cp = cp * 64 + (static_cast<unsigned char>(text[i + k]) - 0x80);
    }
    append_utf16(cp, out);
    i += length;
  }
  return out;
}

inline void append_utf8(char32_t cp, std::string &out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 + cp / 64);
    out += static_cast<char>(0x80 + cp % 64);
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 + cp / 4096);
    out += static_cast<char>(0x80 + cp / 64 % 64);
    out += static_cast<char>(0x80 + cp % 64);
  } else {
    out += static_cast<char>(0xF0 + cp / 262144);
    out += static_cast<char>(0x80 + cp / 4096 % 64);
    out += static_cast<char>(0x80 + cp / 64 % 64);
    out += static_cast<char>(0x80 + cp % 64);
  }
}

// Takes any string of 16-bit units (std::u16string, or std::wstring on Windows).
template <typename Units> std::string utf16_to_utf8(const Units &units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t u = static_cast<char16_t>(units[i]);
    const bool high = u >= 0xD800 && u < 0xDC00;
    const bool low = u >= 0xDC00 && u < 0xE000;
    if (low) {
      return {};
    }
    if (!high) {
      append_utf8(u, out);
      continue;
    }
    const char32_t next = i + 1 < units.size() ? static_cast<char16_t>(units[i + 1]) : 0;
    if (next < 0xDC00 || next >= 0xE000) {
      return {};
    }
    append_utf8(0x10000 + (u - 0xD800) * 0x400 + (next - 0xDC00), out);
    ++i;
  }
  return out;
}

} // namespace reference

#endif
