// What a C caller of the flat interface sees (the calls are made in c_header_test.c).
#include "../support/test_engine.hh"

#include <webview/webview.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

extern "C" {
std::size_t c_version_record_size(void);
std::size_t c_build_metadata_offset(void);
std::size_t c_hint_size(void);
const char *c_version_text(void);
int c_bind_echo(webview_t w, const char *name);
}

namespace {

TEST(CCaller, LaysOutTheTypesAsCxxDoes) {
  // Three unsigned ints, then 32 + 48 + 48 characters.
  EXPECT_EQ(c_version_record_size(), 140u);
  EXPECT_EQ(sizeof(webview_version_info_t), 140u);
  EXPECT_EQ(c_build_metadata_offset(), 92u);
  EXPECT_EQ(offsetof(webview_version_info_t, build_metadata), 92u);
  EXPECT_EQ(c_hint_size(), sizeof(int));
  EXPECT_EQ(sizeof(webview_hint_t), sizeof(int));
  EXPECT_STREQ(c_version_text(), "0.12.0");
}

TEST(CCaller, BindsAFunctionThatAnswersCalls) {
  test_support::test_engine engine;
  engine.pump();
  ASSERT_EQ(c_bind_echo(&engine, "echo"), 0);
  EXPECT_EQ(c_bind_echo(&engine, "echo"), 1) << "a second binding of the name is a duplicate";
  engine.evaluated.clear();
  engine.receive(R"({"id":"c1","method":"echo","params":["x",2]})");
  engine.pump();
  EXPECT_EQ(engine.evaluated,
            (std::vector<std::string>{R"(window.__webview__.onReply("c1", 0, "[\"x\",2]"))"}));
}

} // namespace
