// The UTF-8 <-> UTF-16 conversions and JSON escaping, run in the native build and under Wine
// (where the conversions are the system's own).
#include "reference_utf.hh"
#include "utf_vectors.hh"

#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>

#ifdef _WIN32
#include <webview/detail/utf_portable.hh>
#endif

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace webview::detail;

utf16_string to_platform(const std::u16string &s) {
  return utf16_string(s.begin(), s.end());
}

TEST(Utf8ToUtf16, SharedVectors) {
  for (const auto &v : utf8_vectors) {
    EXPECT_EQ(utf8_to_utf16(v.utf8), to_platform(v.utf16)) << v.name;
  }
}

TEST(Utf16ToUtf8, SharedVectors) {
  for (const auto &v : utf16_vectors) {
    EXPECT_EQ(utf16_to_utf8(to_platform(v.utf16)), v.utf8) << v.name;
  }
}

// Every scalar value, noncharacters included, one after another in one text; the expected
// texts are encoded by the reference codec.
TEST(Utf, EveryScalarValueConvertsBothWays) {
  std::string utf8;
  std::u16string utf16;
  for (char32_t cp = 1; cp <= 0x10FFFF; ++cp) {
    if (cp < 0xD800 || cp > 0xDFFF) {
      reference::append_utf8(cp, utf8);
      reference::append_utf16(cp, utf16);
    }
  }
  EXPECT_TRUE(utf8_to_utf16(utf8) == to_platform(utf16));
  EXPECT_TRUE(utf16_to_utf8(to_platform(utf16)) == utf8);
}

#ifdef _WIN32
// Here the conversions are the system's; the portable codec, used where there is no Win32, must
// decide exactly as they do, on random bytes too.
TEST(Utf, PortableCodecAgreesWithPlatform) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255), length(1, 12), pick(0, 3);
  static const unsigned char interesting[] = {0x41, 0x80, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0,
                                              0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xA0, 0x9F};
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    for (int n = length(rng); n > 0; --n) {
      s += static_cast<char>(pick(rng) == 0 ? byte(rng)
                                            : interesting[byte(rng) % sizeof(interesting)]);
    }
    ASSERT_EQ(portable::utf8_to_utf16<utf16_string>(s), utf8_to_utf16(s))
        << testing::PrintToString(s);
    utf16_string w;
    for (int n = length(rng); n > 0; --n) {
      static const wchar_t units[] = {0x41, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE9, 0xFFFF};
      w += static_cast<utf16_string::value_type>(pick(rng) == 0 ? byte(rng) << 8 | byte(rng)
                                                                : units[byte(rng) % 7]);
    }
    ASSERT_EQ(portable::utf16_to_utf8(w), utf16_to_utf8(w));
  }
}
#endif

TEST(EscapeJson, WritesShortAndUnicodeEscapes) {
  EXPECT_EQ(escape_json(""), "\"\"");
  EXPECT_EQ(escape_json("\"\\\t\x01\xC3\xA9"), "\"\\\"\\\\\\t\\u0001\xC3\xA9\"");
  EXPECT_EQ(escape_json("/\x7F"), "\"/\x7F\"");
  EXPECT_EQ(escape_json("\x1F"), "\"\\u001f\"");
  EXPECT_EQ(escape_json("\b\f\n\r"), "\"\\b\\f\\n\\r\"");
  EXPECT_EQ(escape_json(std::string("\0\x0B\x0E", 3)), "\"\\u0000\\u000b\\u000e\"");
}

} // namespace
