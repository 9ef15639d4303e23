// The call log: its escaping rules, the in-process copy, and the log file WV2_DOUBLE_LOG names.

#include "double_client.hh"

#include <memory>

namespace wv2d_test {
namespace {

class LogTest : public OpenWebViewTest {
protected:
  void TearDown() override {
    close_web_view();
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr);
    DoubleTest::TearDown();
  }
};

TEST_P(LogTest, OneLinePerCallWithEscapedText) {
  // Backslash, line breaks, tab, another control character, non-ASCII text, a character outside
  // the basic plane and an unpaired surrogate.
  const std::wstring text = std::wstring(L"a b\\c\r\nd\te") + L'\x01' + L"é€😀" + L'\xD800' + L"z";
  ASSERT_EQ(web_view_->Navigate(text.c_str()), S_OK);
  EXPECT_EQ(api_.log(), "Navigate a b\\\\c\\r\\nd\\te\\x01é€😀\\uD800z\n");
}

TEST_P(LogTest, SpacesAreEscapedInTextsThatDoNotEndTheLine) {
  ASSERT_EQ(web_view_->AddWebResourceRequestedFilter(L"https://x.test/a b",
                                                     COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL),
            S_OK);
  ASSERT_EQ(
      web_view_->RemoveWebResourceRequestedFilter(nullptr, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH),
      S_OK);
  ASSERT_EQ(web_view_->PostWebMessageAsString(L""), S_OK);
  EXPECT_EQ(api_.log_lines(),
            (std::vector<std::string>{"AddWebResourceRequestedFilter https://x.test/a\\x20b 0",
                                      "RemoveWebResourceRequestedFilter (null) 8",
                                      "PostWebMessageAsString "}));
}

TEST_P(LogTest, CopyIsTruncatedToTheBufferButReportsTheFullLength) {
  ASSERT_EQ(web_view_->Navigate(L"https://x.test/"), S_OK);
  const std::string full = "Navigate https://x.test/\n";
  char buffer[9];
  std::fill(std::begin(buffer), std::end(buffer), 'X');
  EXPECT_EQ(api_.wv2d_get_log(buffer, sizeof buffer), full.size());
  EXPECT_STREQ(buffer, "Navigate");
  EXPECT_EQ(api_.wv2d_get_log(nullptr, 0), full.size());
  api_.clear_log();
  EXPECT_EQ(api_.log(), "");
}

TEST_P(LogTest, LinesAreAppendedToTheFileNamedByTheEnvironment) {
  const std::wstring path = temporary_path(L"log.txt");
  DeleteFileW(path.c_str());
  ASSERT_TRUE(SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", path.c_str()));
  api_.reset(); // the file is opened on reset (and on the first call after loading)

  ASSERT_EQ(web_view_->Navigate(L"https://x.test/é"), S_OK);
  ASSERT_EQ(controller_->put_IsVisible(TRUE), S_OK);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"hi"), 0);

  ASSERT_TRUE(SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr));
  api_.reset(); // closes the file
  EXPECT_EQ(read_file(path),
            "Navigate https://x.test/é\nput_IsVisible 1\n-> WebMessageReceived text hi\n");
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_P(LogTest, UnusableLogFileIsNoted) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", L"C:\\no\\such\\folder\\log.txt"));
  api_.reset();
  EXPECT_EQ(api_.log(), "# cannot open the log file C:\\\\no\\\\such\\\\folder\\\\log.txt\n");
}

INSTANTIATE_TEST_SUITE_P(Flavours, LogTest, testing::Values(Flavour::loader, Flavour::runtime),
                         flavour_name);

} // namespace
} // namespace wv2d_test
