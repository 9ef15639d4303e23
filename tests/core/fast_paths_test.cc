// The word-at-a-time paths of the text and JSON utilities against byte-at-a-time references, on
// random, mostly ASCII inputs whose special bytes fall at every offset within a word.
#include "plain_text_json.hh"

#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>
#include <webview/detail/utf_portable.hh>
#include <webview/detail/wide_reply_script.hh>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace webview::detail;

class random_text {
public:
  explicit random_text(unsigned seed) : rng_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  // Mostly printable ASCII; now and then a byte the fast paths must stop at.
  std::string bytes(std::size_t max_length) {
    static const char *const specials[] = {"\"",
                                           "\\",
                                           "\n",
                                           "\t",
                                           "\x01",
                                           "\x1F",
                                           "\x7F",
                                           "\xC3\xA9",
                                           "\xD8\xB2",
                                           "\xE2\x82\xAC",
                                           "\xF0\x9F\x98\x80",
                                           "\x80",
                                           "\xC3",
                                           "\xE0\x80",
                                           "\xED\xA0\x80",
                                           "\xF5",
                                           "\xFF",
                                           "/"};
    std::string s;
    const auto length = static_cast<std::size_t>(below(static_cast<int>(max_length) + 1));
    const int rarity = 1 + below(40); // how often a special byte comes
    while (s.size() < length) {
      if (below(rarity) == 0) {
        s += specials[below(sizeof specials / sizeof *specials)];
      } else {
        s += static_cast<char>(0x20 + below(0x5F));
      }
    }
    return s;
  }

  // Mostly ASCII units, with surrogates (paired and not) and other non-ASCII units.
  utf16_string units(std::size_t max_length) {
    static const char16_t specials[] = {0x7F, 0x80, 0xE9, 0x7FF, 0x800, 0xFFFF, 0xD83D, 0xDE00};
    utf16_string s;
    const auto length = static_cast<std::size_t>(below(static_cast<int>(max_length) + 1));
    const int rarity = 1 + below(40);
    while (s.size() < length) {
      if (below(rarity) == 0) {
        s += static_cast<utf16_string::value_type>(specials[below(8)]);
      } else {
        s += static_cast<utf16_string::value_type>(below(0x80));
      }
    }
    return s;
  }

  // A call message as a page posts it, sometimes damaged: bytes changed or the text cut short.
  std::string message() {
    std::string m = "{\"id\":" + plain::escape_json(bytes(40)) +
                    ",\"method\":" + plain::escape_json(bytes(20)) + ",\"params\":[" +
                    plain::escape_json(bytes(200)) + "," + std::to_string(below(1000)) +
                    ",{\"k\":[true,null," + plain::escape_json(bytes(30)) + "]}]}";
    if (below(3) == 0) {
      for (int n = 1 + below(3); n > 0; --n) {
        m[static_cast<std::size_t>(below(static_cast<int>(m.size())))] =
            static_cast<char>(below(256));
      }
    }
    if (below(4) == 0) {
      m.resize(static_cast<std::size_t>(below(static_cast<int>(m.size()) + 1)));
    }
    return m;
  }

private:
  std::mt19937 rng_;
};

TEST(FastPaths, EscapeJsonMatchesTheBytewiseEscaper) {
  random_text gen(1);
  for (int round = 0; round < 20000; ++round) {
    const std::string s = gen.bytes(round % 10 == 0 ? 600 : 60);
    ASSERT_EQ(escape_json(s), plain::escape_json(s)) << testing::PrintToString(s);
  }
  // Long texts take another path: sparse escapes fit the first guess of room, dense ones and
  // control bytes (six bytes each) outgrow it partway.
  for (const std::string &filler : {std::string("x"), std::string("a\\"), std::string("\x01")}) {
    for (int round = 0; round < 12; ++round) {
      std::string s;
      while (s.size() < 150000) {
        s += gen.below(12) < round ? filler : gen.bytes(8);
      }
      ASSERT_EQ(escape_json(s), plain::escape_json(s)) << "length " << s.size();
    }
  }
}

TEST(FastPaths, JsonScannerMatchesTheBytewiseScanner) {
  random_text gen(2);
  for (int round = 0; round < 20000; ++round) {
    const std::string m = gen.message();
    const std::string keys[] = {"id", "method", "params", "k", gen.bytes(3)};
    for (const std::string &key : keys) {
      const char *value = nullptr, *expected_value = nullptr;
      std::size_t length = 1, expected_length = 1;
      const bool found = find_json_value(m.data(), m.size(), key.data(),
                                         static_cast<long long>(key.size()), &value, &length);
      const bool expected =
          plain::find_json_value(m.data(), m.size(), key.data(), static_cast<long long>(key.size()),
                                 &expected_value, &expected_length);
      ASSERT_EQ(found, expected) << testing::PrintToString(m) << " key " << key;
      ASSERT_EQ(value, expected_value) << testing::PrintToString(m) << " key " << key;
      ASSERT_EQ(length, expected_length) << testing::PrintToString(m) << " key " << key;
      ASSERT_EQ(parse_json_value(m, key, 0), plain::parse_json_value(m, key, 0))
          << testing::PrintToString(m) << " key " << key;
    }
    for (int index = -1; index < 8; ++index) {
      ASSERT_EQ(parse_json_value(m, "", index), plain::parse_json_value(m, "", index))
          << testing::PrintToString(m) << " index " << index;
    }
    // The decoder on its own: a string member whose content is random (escapes included).
    const std::string member = "{\"s\":\"" + gen.bytes(80) + "\"}";
    ASSERT_EQ(parse_json_value(member, "s", 0), plain::parse_json_value(member, "s", 0))
        << testing::PrintToString(member);
  }
}

TEST(FastPaths, Utf8ToUtf16MatchesTheBytewiseCodec) {
  random_text gen(3);
  for (int round = 0; round < 20000; ++round) {
    const std::string s = gen.bytes(round % 10 == 0 ? 600 : 60);
    const auto expected = plain::utf8_to_utf16<utf16_string>(s);
    ASSERT_EQ(utf8_to_utf16(s), expected) << testing::PrintToString(s);
    ASSERT_EQ(portable::utf8_to_utf16<utf16_string>(s), expected) << testing::PrintToString(s);
  }
}

// The reply script written straight into UTF-16 is the UTF-8 reply script converted: empty
// results, results with non-ASCII anywhere, ill-formed UTF-8 (empty), and results long enough
// for the word-at-a-time paths.
TEST(FastPaths, Utf16ReplyScriptIsTheConvertedReplyScript) {
  random_text gen(5);
  for (int round = 0; round < 20000; ++round) {
    const std::string id = round % 50 == 0 ? gen.bytes(8) : "0123456789abcdef";
    const std::string result = gen.bytes(round % 100 == 0 ? 5000 : round % 10 == 0 ? 600 : 60);
    const int status = gen.below(3) - 1;
    const std::string script = "window.__webview__.onReply(" + plain::escape_json(id) + ", " +
                               std::to_string(status) + ", " +
                               (result.empty() ? "undefined" : plain::escape_json(result)) + ")";
    ASSERT_EQ(make_reply_script_utf16(id, status, result),
              plain::utf8_to_utf16<utf16_string>(script))
        << testing::PrintToString(id) << " " << testing::PrintToString(result);
  }
}

TEST(FastPaths, Utf16ToUtf8MatchesTheBytewiseCodec) {
  random_text gen(4);
  for (int round = 0; round < 20000; ++round) {
    const utf16_string s = gen.units(round % 10 == 0 ? 600 : 60);
    const std::string expected = plain::utf16_to_utf8(s);
    ASSERT_EQ(utf16_to_utf8(s), expected) << round;
    ASSERT_EQ(portable::utf16_to_utf8(s), expected) << round;
  }
}

} // namespace
