// The word-at-a-time paths of the text and JSON utilities against independent references (a
// recursive-descent JSON reader, a plain escaper, a table-driven UTF-8 codec), on random, mostly
// ASCII inputs whose special bytes fall at every offset within a word.
#include "json_vectors.hh"
#include "reference_json.hh"
#include "reference_utf.hh"
#include "utf_vectors.hh"

#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>
#include <webview/detail/wide_reply_script.hh>

#ifdef _WIN32
#include <webview/detail/utf_portable.hh>
#endif

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace webview::detail;

class random_text {
public:
  explicit random_text(unsigned seed) : rng_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  // Mostly printable ASCII; now and then a byte the fast paths must stop at. With `well_formed`,
  // only the first eleven specials come: escaped, they still make a valid JSON string.
  std::string bytes(std::size_t max_length, bool well_formed = false) {
    static const char *const specials[] = {"\"",
                                           "\\",
                                           "\n",
                                           "\t",
                                           "\x01",
                                           "\x1F",
                                           "\xC3\xA9",
                                           "\xD8\xB2",
                                           "\xE2\x82\xAC",
                                           "\xF0\x9F\x98\x80",
                                           "/",
                                           "\x7F",
                                           "\x80",
                                           "\xC3",
                                           "\xE0\x80",
                                           "\xED\xA0\x80",
                                           "\xF5",
                                           "\xFF"};
    const int kinds = well_formed ? 11 : static_cast<int>(sizeof specials / sizeof *specials);
    std::string s;
    const auto length = static_cast<std::size_t>(below(static_cast<int>(max_length) + 1));
    const int rarity = 1 + below(40); // how often a special byte comes
    while (s.size() < length) {
      if (below(rarity) == 0) {
        s += specials[below(kinds)];
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
    const bool well_formed = below(4) != 0;
    std::string m = "{\"id\":" + reference::escape_json(bytes(40, well_formed)) +
                    ",\"method\":" + reference::escape_json(bytes(20, well_formed)) +
                    ",\"params\":[" + reference::escape_json(bytes(200, well_formed)) + "," +
                    std::to_string(below(1000)) + ",{\"k\":[true,null," +
                    reference::escape_json(bytes(30, well_formed)) + "]}]}";
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

TEST(FastPaths, EscapeJsonMatchesTheReferenceEscaper) {
  random_text gen(1);
  for (int round = 0; round < 20000; ++round) {
    const std::string s = gen.bytes(round % 10 == 0 ? 600 : 60);
    ASSERT_EQ(escape_json(s), reference::escape_json(s)) << testing::PrintToString(s);
  }
  // Long texts take another path: sparse escapes fit the first guess of room, dense ones and
  // control bytes (six bytes each) outgrow it partway.
  for (const std::string &filler : {std::string("x"), std::string("a\\"), std::string("\x01")}) {
    for (int round = 0; round < 12; ++round) {
      std::string s;
      while (s.size() < 150000) {
        s += gen.below(12) < round ? filler : gen.bytes(8);
      }
      ASSERT_EQ(escape_json(s), reference::escape_json(s)) << "length " << s.size();
    }
  }
}

// Where the reference reader has an opinion (the text is well-formed up to the value), the
// scanner must find the same value, or nothing when the reader finds none.
void expect_lookup(const std::string &text, const std::string &key, int index, int &decided) {
  const auto expected =
      key.empty() ? reference::find_item(text, index) : reference::find_member(text, key);
  const char *value = nullptr;
  std::size_t length = 1;
  const bool found =
      key.empty() ? find_json_value(text.data(), text.size(), nullptr, index, &value, &length)
                  : find_json_value(text.data(), text.size(), key.data(),
                                    static_cast<long long>(key.size()), &value, &length);
  ASSERT_EQ(found, length > 0);
  if (found) {
    ASSERT_TRUE(value >= text.data() && value + length <= text.data() + text.size());
  }
  if (expected.outcome == reference::json_lookup::unknown) {
    return;
  }
  ++decided;
  const auto where =
      testing::PrintToString(text) + " key " + key + " index " + std::to_string(index);
  ASSERT_EQ(found, expected.outcome == reference::json_lookup::found) << where;
  if (found) {
    ASSERT_EQ(static_cast<std::size_t>(value - text.data()), expected.begin) << where;
    ASSERT_EQ(length, expected.length) << where;
  }
  ASSERT_EQ(parse_json_value(text, key, index), reference::value_text(text, expected)) << where;
}

TEST(FastPaths, ReferencesAgreeWithTheVectors) {
  for (const auto &v : utf8_vectors) {
    EXPECT_EQ(reference::utf8_to_utf16(v.utf8), v.utf16) << v.name;
  }
  for (const auto &v : utf16_vectors) {
    EXPECT_EQ(reference::utf16_to_utf8(v.utf16), v.utf8) << v.name;
  }
  for (const auto &v : json_vectors) {
    const auto lookup = v.key.empty() ? reference::find_item(v.text, v.index)
                                      : reference::find_member(v.text, v.key);
    if (lookup.outcome == reference::json_lookup::unknown) {
      EXPECT_EQ(v.written, nullptr) << v.name << ": only malformed text leaves no opinion";
      continue;
    }
    EXPECT_EQ(lookup.outcome == reference::json_lookup::found, v.written != nullptr) << v.name;
    if (v.written != nullptr) {
      EXPECT_EQ(v.text.substr(lookup.begin, lookup.length), v.written) << v.name;
    }
    EXPECT_EQ(reference::value_text(v.text, lookup), v.decoded) << v.name;
  }
}

TEST(FastPaths, JsonScannerAgreesWithTheReferenceReader) {
  random_text gen(2);
  int lookups = 0, decided = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string m = gen.message();
    for (const std::string &key : {std::string("id"), std::string("method"), std::string("params"),
                                   std::string("k"), gen.bytes(3)}) {
      ++lookups;
      ASSERT_NO_FATAL_FAILURE(expect_lookup(m, key, 0, decided));
    }
    for (int index = -1; index < 8; ++index) {
      ++lookups;
      ASSERT_NO_FATAL_FAILURE(expect_lookup(m, "", index, decided));
    }
    // A string item whose content is random, escapes included.
    const std::string item = "[\"" + gen.bytes(80) + "\"]";
    ++lookups;
    ASSERT_NO_FATAL_FAILURE(expect_lookup(item, "", 0, decided));
  }
  // Most lookups must be compared, or the check above proves little.
  EXPECT_GT(decided, lookups / 2);
}

TEST(FastPaths, Utf8ToUtf16MatchesTheReferenceDecoder) {
  random_text gen(3);
  for (int round = 0; round < 20000; ++round) {
    const std::string s = gen.bytes(round % 10 == 0 ? 600 : 60);
    const std::u16string expected = reference::utf8_to_utf16(s);
    ASSERT_EQ(utf8_to_utf16(s), utf16_string(expected.begin(), expected.end()))
        << testing::PrintToString(s);
#ifdef _WIN32
    // The system converts above; the portable codec is separate code here.
    ASSERT_EQ(portable::utf8_to_utf16<utf16_string>(s),
              utf16_string(expected.begin(), expected.end()))
        << testing::PrintToString(s);
#endif
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
    const std::string script =
        "window.__webview__.onReply(" + reference::escape_json(id) + ", " + std::to_string(status) +
        ", " + (result.empty() ? "undefined" : reference::escape_json(result)) + ")";
    const std::u16string expected = reference::utf8_to_utf16(script);
    ASSERT_EQ(make_reply_script_utf16(id, status, result),
              utf16_string(expected.begin(), expected.end()))
        << testing::PrintToString(id) << " " << testing::PrintToString(result);
  }
}

TEST(FastPaths, Utf16ToUtf8MatchesTheReferenceEncoder) {
  random_text gen(4);
  for (int round = 0; round < 20000; ++round) {
    const utf16_string s = gen.units(round % 10 == 0 ? 600 : 60);
    const std::string expected = reference::utf16_to_utf8(s);
    ASSERT_EQ(utf16_to_utf8(s), expected) << round;
#ifdef _WIN32
    ASSERT_EQ(portable::utf16_to_utf8(s), expected) << round;
#endif
  }
}

} // namespace
