// The text conversions and JSON utilities, run in the native build and under Wine.
#include "utf_vectors.hh"

#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>
#include <webview/detail/utf_portable.hh>

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

TEST(Utf, RoundTripOfEveryScalarValue) {
  std::string all;
  for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x800 ? 1 : 97)) {
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      continue;
    }
    std::u16string one;
    if (cp >= 0x10000) {
      one = {char16_t(0xD800 + ((cp - 0x10000) >> 10)),
             char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))};
    } else {
      one = {char16_t(cp)};
    }
    all += utf16_to_utf8(to_platform(one));
  }
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(utf16_to_utf8(utf8_to_utf16(all)), all);
}

// The portable codec must decide exactly as the platform does, on random bytes too.
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

TEST(EscapeJson, WritesShortAndUnicodeEscapes) {
  EXPECT_EQ(escape_json(""), "\"\"");
  EXPECT_EQ(escape_json("\"\\\t\x01\xC3\xA9"), "\"\\\"\\\\\\t\\u0001\xC3\xA9\"");
  EXPECT_EQ(escape_json("/\x7F"), "\"/\x7F\"");
  EXPECT_EQ(escape_json("\x1F"), "\"\\u001f\"");
  EXPECT_EQ(escape_json("\b\f\n\r"), "\"\\b\\f\\n\\r\"");
  EXPECT_EQ(escape_json(std::string("\0\x0B\x0E", 3)), "\"\\u0000\\u000b\\u000e\"");
}

TEST(ParseJsonValue, ReadsMembersByKey) {
  const std::string msg = R"({"id":"a1","method":"m","params":[1,2]})";
  EXPECT_EQ(parse_json_value(msg, "params", 0), "[1,2]");
  EXPECT_EQ(parse_json_value(msg, "id", 0), "a1");
  EXPECT_EQ(parse_json_value(msg, "method", 0), "m");
  EXPECT_EQ(parse_json_value(msg, "absent", 0), "");
  EXPECT_EQ(parse_json_value(R"({"x":{"id":1},"id":2})", "id", 0), "2");
  EXPECT_EQ(parse_json_value(R"({"o":{"a":[1,{"b":2}]}})", "o", 0), R"({"a":[1,{"b":2}]})");
  // The first matching key wins; a value that looks like the key is never taken for one.
  EXPECT_EQ(parse_json_value(R"({"a":"b","b":"c","a":"d"})", "b", 0), "c");
  EXPECT_EQ(parse_json_value(R"({"a":"b","b":"c","a":"d"})", "a", 0), "b");
}

TEST(ParseJsonValue, EndsLiteralsAtWhiteSpaceAndSeparators) {
  for (const char *text : {R"({"n":12 })", R"({"n":12,"m":1})", "{\"n\":12\t}", "{\"n\":12\n}",
                           "{\"n\":12\r}", R"({"n":12})"}) {
    EXPECT_EQ(parse_json_value(text, "n", 0), "12") << text;
  }
  EXPECT_EQ(parse_json_value(R"({"t":true,"f":false,"z":null})", "f", 0), "false");
}

TEST(ParseJsonValue, ReadsItemsByIndex) {
  EXPECT_EQ(parse_json_value("[10,20,30]", "", 1), "20");
  EXPECT_EQ(parse_json_value("[10,20,30]", "", 0), "10");
  EXPECT_EQ(parse_json_value("[10,20,30]", "", 3), "");
  EXPECT_EQ(parse_json_value("[10,20,30]", "", -1), "");
  EXPECT_EQ(parse_json_value(R"(["a",["b"],{"c":1}])", "", 1), R"(["b"])");
  EXPECT_EQ(parse_json_value(R"(["a",["b"],{"c":1}])", "", 2), R"({"c":1})");
  // In an object, keys and values count alike.
  EXPECT_EQ(parse_json_value(R"({"k":"v","k2":"v2"})", "", 2), "k2");
}

TEST(ParseJsonValue, DecodesStringEscapes) {
  EXPECT_EQ(parse_json_value(R"({"s":"a\nb"})", "s", 0), "a\nb");
  EXPECT_EQ(parse_json_value(R"({"s":"\"\\\/\b\f\r\t"})", "s", 0), "\"\\/\b\f\r\t");
  EXPECT_EQ(parse_json_value(R"({"s":"\u0041"})", "s", 0), "");
  EXPECT_EQ(parse_json_value(R"({"s":""})", "s", 0), "");
  EXPECT_EQ(parse_json_value("{\"s\":\"\xD8\xB2\xF0\x9F\x98\x80\"}", "s", 0),
            "\xD8\xB2\xF0\x9F\x98\x80");
}

TEST(ParseJsonValue, RejectsMalformedInput) {
  EXPECT_EQ(parse_json_value(R"({"s":"cut off)", "s", 0), "");
  EXPECT_EQ(parse_json_value(R"({"n":12)", "n", 0), "");
  EXPECT_EQ(parse_json_value(R"({"a":[1,2)", "a", 0), "");
  EXPECT_EQ(parse_json_value("{\"s\":\"tab\there\"}", "s", 0), "");
  EXPECT_EQ(parse_json_value("{\"s\":\"\x80\"}", "s", 0), "");
  EXPECT_EQ(parse_json_value("{\"s\":\"\xC3(\"}", "s", 0), "");
  EXPECT_EQ(parse_json_value(R"({"s":"\x"})", "s", 0), "");
  EXPECT_EQ(parse_json_value(R"({"a":@})", "a", 0), "");
  EXPECT_EQ(parse_json_value("", "a", 0), "");
  EXPECT_EQ(parse_json_value("not json", "", 0), "");
}

TEST(FindJsonValue, LocatesValuesInsideTheText) {
  const std::string text = R"({"id":"x","params":[1,"two"]})";
  const char *value = nullptr;
  std::size_t length = 0;
  ASSERT_TRUE(find_json_value(text.data(), text.size(), "params", 6, &value, &length));
  EXPECT_EQ(std::string(value, length), R"([1,"two"])");
  ASSERT_TRUE(find_json_value(text.data(), text.size(), "id", 2, &value, &length));
  EXPECT_EQ(std::string(value, length), "\"x\"");
  EXPECT_FALSE(find_json_value(text.data(), text.size(), nullptr, -1, &value, &length));
  EXPECT_EQ(length, 0u);
  // Only the given length is read: the same text cut short finds nothing.
  EXPECT_FALSE(find_json_value(text.data(), 20, "params", 6, &value, &length));
}

} // namespace
