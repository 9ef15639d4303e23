// Conversion vectors shared by the native build and the Windows build, where the conversions
// are the system's own. An empty expected text means "rejected".
#ifndef TESTS_CORE_UTF_VECTORS_HH
#define TESTS_CORE_UTF_VECTORS_HH

#include <string>

struct utf8_vector {
  const char *name;
  std::string utf8;
  std::u16string utf16; // empty: the input is rejected
};

struct utf16_vector {
  const char *name;
  std::u16string utf16;
  std::string utf8; // empty: the input is rejected
};

inline const utf8_vector utf8_vectors[] = {
    {"empty", "", u""},
    {"ascii", "Hello", u"Hello"},
    {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"two-byte e acute", "\xC3\xA9", u"\u00E9"},
    {"lowest two-byte", "\xC2\x80", u"\u0080"},
    {"highest two-byte", "\xDF\xBF", u"\u07FF"},
    {"lowest three-byte", "\xE0\xA0\x80", u"\u0800"},
    {"arabic", "\xD8\xB2\xD9\x88\xD8\xB1", u"\u0632\u0648\u0631"},
    {"last before surrogates", "\xED\x9F\xBF", u"\uD7FF"},
    {"first after surrogates", "\xEE\x80\x80", u"\uE000"},
    {"noncharacter U+FFFF", "\xEF\xBF\xBF", u"\uFFFF"},
    {"noncharacter U+FFFE", "\xEF\xBF\xBE", u"\uFFFE"},
    {"noncharacter U+FDD0", "\xEF\xB7\x90", u"\uFDD0"},
    {"noncharacter U+1FFFF", "\xF0\x9F\xBF\xBF", u"\U0001FFFF"},
    {"noncharacter U+10FFFE", "\xF4\x8F\xBF\xBE", u"\U0010FFFE"},
    {"BOM kept",
     "\xEF\xBB\xBF"
     "a",
     u"\uFEFFa"},
    {"lowest four-byte", "\xF0\x90\x80\x80", u"\U00010000"},
    {"four-byte emoji", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"A then lone 0xFF", "A\xFF", u""},
    {"lone 0xFE", "\xFE", u""},
    {"stray continuation", "\x80", u""},
    {"stray continuation after text", "ok\xBF", u""},
    {"truncated two-byte", "\xC3", u""},
    {"truncated three-byte", "\xE2\x82", u""},
    {"truncated four-byte", "\xF0\x9F\x98", u""},
    {"truncated sequence mid-text", "\xE2\x82z", u""},
    {"overlong slash C0 AF", "\xC0\xAF", u""},
    {"overlong C1 BF", "\xC1\xBF", u""},
    {"overlong three-byte E0 80 AF", "\xE0\x80\xAF", u""},
    {"overlong three-byte E0 9F BF", "\xE0\x9F\xBF", u""},
    {"overlong four-byte F0 8F BF BF", "\xF0\x8F\xBF\xBF", u""},
    {"overlong NUL", "\xC0\x80", u""},
    {"overlong four-byte NUL", "\xF0\x80\x80\x80", u""},
    {"lone C0", "\xC0", u""},
    {"encoded high surrogate", "\xED\xA0\x80", u""},
    {"encoded low surrogate", "\xED\xBF\xBF", u""},
    {"encoded surrogate pair", "\xED\xA0\xBD\xED\xB8\x80", u""},
    {"encoded surrogate cut off", "\xED\xA0", u""},
    {"above U+10FFFF", "\xF4\x90\x80\x80", u""},
    {"F5 lead byte", "\xF5\x80\x80\x80", u""},
    {"five-byte form", "\xF8\x88\x80\x80\x80", u""},
    {"continuation replaced by ASCII",
     "\xC3"
     "A",
     u""},
    {"valid then invalid", "\xC3\xA9\xFF", u""},
    {"extra continuation after a sequence", "\xC3\xA9\xA9", u""},
    {"four-byte cut off before ASCII",
     "\xF0\x9F\x98"
     "a",
     u""},
};

inline const utf16_vector utf16_vectors[] = {
    {"empty", u"", ""},
    {"ascii", u"Hello", "Hello"},
    {"embedded NUL", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    {"e acute", u"\u00E9", "\xC3\xA9"},
    {"U+07FF", u"\u07FF", "\xDF\xBF"},
    {"U+0800", u"\u0800", "\xE0\xA0\x80"},
    {"U+D7FF", u"\uD7FF", "\xED\x9F\xBF"},
    {"U+E000", u"\uE000", "\xEE\x80\x80"},
    {"noncharacter U+FFFE", u"\uFFFE", "\xEF\xBF\xBE"},
    {"U+FFFF", u"\uFFFF", "\xEF\xBF\xBF"},
    {"lowest pair", u"\U00010000", "\xF0\x90\x80\x80"},
    {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
    {"highest pair", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    {"unpaired high at end", std::u16string(1, char16_t(0xD800)), ""},
    {"unpaired low", std::u16string(1, char16_t(0xDC00)), ""},
    {"high then ASCII", std::u16string{char16_t(0xD83D), u'a'}, ""},
    {"low then high", std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, ""},
    {"two highs", std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, ""},
    {"text then unpaired low", std::u16string{u'o', u'k', char16_t(0xDFFF)}, ""},
    {"pair then unpaired high",
     std::u16string{char16_t(0xD83D), char16_t(0xDE00), char16_t(0xDBFF)}, ""},
};

#endif
