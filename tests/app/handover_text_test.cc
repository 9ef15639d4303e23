// What the running program accepts from a later start: messages written out as UTF-16 bytes.
#include "../../app/handover_text.hh"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using zorvel::classify_handover;
using zorvel::handover_kind;

constexpr std::uint64_t tag = 0x5A4F4831; // "ZOH1"

struct outcome {
  handover_kind kind;
  std::wstring text;
};

// `units` as the message carries them, with a terminating NUL when `with_nul`.
outcome classify(const std::u16string &units, bool with_nul = false,
                 std::uint64_t message_tag = tag) {
  std::wstring text = L"left over";
  const std::size_t bytes = 2 * (units.size() + (with_nul ? 1 : 0));
  const handover_kind kind = classify_handover(message_tag, units.c_str(), bytes, text);
  return {kind, text};
}

TEST(Handover, NothingLinksAndAbsolutePathsAreAccepted) {
  const struct {
    std::u16string sent;
    handover_kind kind;
    std::wstring text;
  } accepted[] = {
      {u"", handover_kind::front, L""},
      {u"zorveloffice:", handover_kind::link, L"zorveloffice:"},
      {u"ZorvelOFFICE:open?doc=1&n=\u0639 x", handover_kind::link,
       L"ZorvelOFFICE:open?doc=1&n=\u0639 x"},
      {u"C:\\Users\\\u0645\\r.docx", handover_kind::file, L"C:\\Users\\\u0645\\r.docx"},
      {u"z:\\a b\\-x.csv", handover_kind::file, L"z:\\a b\\-x.csv"},
      {u"\\\\server\\share\\r.docx", handover_kind::file, L"\\\\server\\share\\r.docx"},
  };
  for (const auto &v : accepted) {
    for (const bool with_nul : {false, true}) {
      const outcome got = classify(v.sent, with_nul);
      EXPECT_EQ(got.kind, v.kind) << std::string(v.sent.begin(), v.sent.end()) << " nul "
                                  << with_nul;
      EXPECT_EQ(got.text, v.text);
    }
  }
}

TEST(Handover, WhatNoStartSendsIsRefused) {
  for (const std::u16string sent :
       {u"r.docx", u"docs\\r.docx", u"C:r.docx", u"C:/Users/r.docx", u"\\r.docx", u"-flag",
        u"--new-window", u"zorveloffice", u"zorvel:x", u" zorveloffice:x", u"\\\\server",
        u"\\\\server\\share", u"\\\\server\\share\\", u"\\\\\\share\\x", u"\\\\server\\\\x",
        u"\\\\.\\pipe\\x", u"\\\\?\\C:\\x",
        // Control characters, in a path and in a link.
        u"C:\\a\tb.docx", u"C:\\a\x7F.docx", u"zorveloffice:a\nb", u"\x1B"}) {
    const outcome got = classify(sent);
    EXPECT_EQ(got.kind, handover_kind::refused) << std::string(sent.begin(), sent.end());
    EXPECT_EQ(got.text, L"");
  }
}

TEST(Handover, ForeignAndBrokenMessagesAreRefused) {
  std::wstring text;
  const std::u16string path = u"C:\\r.docx";
  for (const std::uint64_t other : {0ull, 0x5A4F4832ull, 0x315A4F48ull, 0x15A4F4831ull}) {
    EXPECT_EQ(classify(path, false, other).kind, handover_kind::refused) << other;
  }
  EXPECT_EQ(classify_handover(tag, path.c_str(), 2 * path.size() - 1, text), handover_kind::refused)
      << "odd byte count";
  EXPECT_EQ(classify_handover(tag, nullptr, 2, text), handover_kind::refused);
  EXPECT_EQ(classify(std::u16string(u"C:\\a\0b", 6)).kind, handover_kind::refused)
      << "embedded NUL";
  EXPECT_EQ(classify(std::u16string(u"C:\\ab\0", 6), true).kind, handover_kind::refused)
      << "two NULs at the end";
  // The message may start at an odd address.
  const unsigned char shifted[] = {0, 'C', 0, ':', 0, '\\', 0, 'x', 0};
  EXPECT_EQ(classify_handover(tag, shifted + 1, 8, text), handover_kind::file);
  EXPECT_EQ(text, L"C:\\x");
}

TEST(Handover, TextsUpTo32767UnitsAreAccepted) {
  const std::u16string longest_path = u"C:\\" + std::u16string(32764, u'a');
  EXPECT_EQ(classify(longest_path).kind, handover_kind::file);
  EXPECT_EQ(classify(longest_path, true).kind, handover_kind::file);
  EXPECT_EQ(classify(longest_path + u"a").kind, handover_kind::refused);
  EXPECT_EQ(classify(longest_path + u"a", true).kind, handover_kind::refused);

  const std::u16string longest_link = u"zorveloffice:" + std::u16string(32754, u'%');
  EXPECT_EQ(classify(longest_link).kind, handover_kind::link);
  EXPECT_EQ(classify(longest_link + u"a").kind, handover_kind::refused);
}

} // namespace
