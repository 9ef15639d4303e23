// The shell's pure text rules: encodings, argument reading, the launch-file JSON and page rules.
#include "../../app/launch_file_json.hh"
#include "../../app/page_rules.hh"
#include "../../app/string_arg.hh"
#include "../../app/text_encoding.hh"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace zorvel;

TEST(Base64, PadsFinalGroups) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  const std::string ten = "0123456789";
  const auto encoded = base64_encode(ten);
  EXPECT_EQ(encoded.size(), 16u);
  EXPECT_EQ(encoded.substr(14), "==");
  EXPECT_EQ(base64_encode(std::string("\x00\xFF\xFE", 3)), "AP/+");
}

TEST(PercentEncode, KeepsUnreservedAndEncodesEveryOtherByte) {
  EXPECT_EQ(percent_encode("zorveloffice:open?a=1"), "zorveloffice%3Aopen%3Fa%3D1");
  EXPECT_EQ(percent_encode("ZORVELOFFICE:x"), "ZORVELOFFICE%3Ax");
  EXPECT_EQ(percent_encode("Az09-._~ /&%"), "Az09-._~%20%2F%26%25");
  EXPECT_EQ(percent_encode("\xD8\xB2\xF0\x9F\x98\x80"), "%D8%B2%F0%9F%98%80");
}

TEST(StringArg, CountsStringLiteralsOnly) {
  EXPECT_EQ(string_arg(R"([null,"title"])", 0), "title");
  EXPECT_EQ(string_arg(R"([null,"title"])", 1), "");
  EXPECT_EQ(string_arg(R"(["a",1,true,{"k":"v"},"b"])", 1), "k");
  EXPECT_EQ(string_arg(R"(["a",1,true,{"k":"v"},"b"])", 3), "b");
  EXPECT_EQ(string_arg("[]", 0), "");
  EXPECT_EQ(string_arg("", 0), "");
}

TEST(StringArg, DecodesEscapes) {
  EXPECT_EQ(string_arg(R"(["a\nb\tc\rd\be\ff"])", 0), "a\nb\tc\rd\be\ff");
  EXPECT_EQ(string_arg(R"(["\"\\\/\x"])", 0), "\"\\/x");
  EXPECT_EQ(string_arg(R"(["\u0041\u00e9\u0632\u20AC"])", 0), "A\xC3\xA9\xD8\xB2\xE2\x82\xAC");
  // Each half of a surrogate pair becomes its own three-byte sequence.
  EXPECT_EQ(string_arg(R"(["\ud83d\ude00"])", 0), "\xED\xA0\xBD\xED\xB8\x80");
  // Four characters are taken; the number ends at the first that is not a hex digit.
  EXPECT_EQ(string_arg(R"(["\u41zzX"])", 0), "AX");
  // Fewer than four characters after \u: the u stands for itself.
  EXPECT_EQ(string_arg("[\"ab\\u12", 0), "abu12");
  EXPECT_EQ(string_arg("[\"ab\\", 0), "ab\\") << "a trailing backslash is kept";
  EXPECT_EQ(string_arg("[\"unterminated", 0), "unterminated");
  EXPECT_EQ(string_arg("[\"\xD8\xB2\"]", 0), "\xD8\xB2");
}

TEST(LaunchFileJson, EscapesNameAndHandsOverOnce) {
  std::string b64 = "QUJD";
  EXPECT_EQ(take_launch_file("a\"b\\c.txt", b64), R"({"name":"a\"b\\c.txt","b64":"QUJD"})");
  EXPECT_EQ(b64, "");
  EXPECT_EQ(take_launch_file("a\"b\\c.txt", b64), "null") << "a second call gets null";

  std::string more = "AA==";
  EXPECT_EQ(take_launch_file(std::string("x\x01\x1F\x7F\xD8\xB2", 6), more),
            "{\"name\":\"x\\u0001\\u001f\x7F\xD8\xB2\",\"b64\":\"AA==\"}");
  std::string none;
  EXPECT_EQ(take_launch_file("empty.txt", none), "null") << "an empty file is no file";
}

TEST(PageRules, HttpsOnlyAndTitles) {
  EXPECT_TRUE(is_https_address("https://example.test/"));
  EXPECT_FALSE(is_https_address("HTTPS://example.test/"));
  EXPECT_FALSE(is_https_address("http://example.test/"));
  EXPECT_FALSE(is_https_address("mailto:a@b"));
  EXPECT_FALSE(is_https_address("/relative"));
  EXPECT_FALSE(is_https_address("https:/x"));
  EXPECT_TRUE(is_displayable_title(L"Report"));
  EXPECT_FALSE(is_displayable_title(L""));
  EXPECT_FALSE(is_displayable_title(L"about:blank"));
  EXPECT_TRUE(is_displayable_title(L"About: us")) << "the prefix is case-sensitive";
}

} // namespace
