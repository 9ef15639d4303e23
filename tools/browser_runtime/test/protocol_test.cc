// The browser-backed runtime's own protocol handling: JSON of the browser's messages, WebSocket
// frames both ways, the handshake key, the error statuses of the browser's network errors, the
// page's script dialogs and the windows it opens.
#include "../src/json.hh"
#include "../src/script_dialog.hh"
#include "../src/web_error_status.hh"
#include "../src/websocket_frames.hh"
#include "../src/window_open.hh"

#include <gtest/gtest.h>

namespace {

using zbr::Json;

TEST(Json, ReadsTheBrowsersMessages) {
  const auto m =
      Json::parse(R"({"id":7,"result":{"result":{"type":"number","value":2}},"sessionId":"A1",)"
                  R"("list":[true,false,null,-1.5e2],"text":"a\"\\\/\n\u00e9\ud83d\ude00"})");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->operator[]("id").integer(), 7);
  EXPECT_EQ((*m)["result"]["result"]["value"].number(), 2);
  EXPECT_EQ((*m)["sessionId"].str(), "A1");
  EXPECT_TRUE((*m)["list"].at(0).boolean());
  EXPECT_FALSE((*m)["list"].at(1).boolean());
  EXPECT_TRUE((*m)["list"].at(2).is_null());
  EXPECT_EQ((*m)["list"].at(3).number(), -150);
  EXPECT_EQ((*m)["text"].str(), "a\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_TRUE((*m)["missing"]["deeper"].is_null());
  EXPECT_FALSE(m->has("missing"));
}

TEST(Json, RefusesWhatIsNotOneJsonText) {
  for (const char *bad : {"", "{", "{\"a\":}", "[1,]", "\"open", "{} {}", "tru", "{\"a\" 1}"}) {
    EXPECT_FALSE(Json::parse(bad)) << bad;
  }
}

TEST(Json, QuotesTextForCommands) {
  EXPECT_EQ(zbr::quote("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

TEST(WebSocket, ClientFramesAreMaskedWithTheRightLength) {
  const std::string small = zbr::encode_frame(zbr::op_text, "Hi", true, 0x01020304);
  const std::string masked_payload{'H' ^ 1, 'i' ^ 2};
  EXPECT_EQ(small, std::string("\x81\x82\x01\x02\x03\x04", 6) + masked_payload);

  const std::string medium = zbr::encode_frame(zbr::op_text, std::string(300, 'a'), false, 0);
  ASSERT_EQ(medium.size(), 4u + 4 + 300);
  EXPECT_EQ(medium.substr(0, 4), std::string("\x01\xFE\x01\x2C", 4)); // no FIN, 126, 300

  const std::string large =
      zbr::encode_frame(zbr::op_continuation, std::string(70000, 'b'), true, 0);
  EXPECT_EQ(large.substr(0, 10), std::string("\x80\xFF\x00\x00\x00\x00\x00\x01\x11\x70", 10));
}

TEST(WebSocket, ServerMessagesAreReassembledWhateverTheChunks) {
  // A fragmented text message (7-bit, then 16-bit length), then a close frame.
  std::string bytes = std::string("\x01\x03", 2) + "abc";
  bytes += std::string("\x80\x7E\x00\xC8", 4) + std::string(200, 'z');
  bytes += std::string("\x88\x00", 2);
  zbr::FrameReader reader;
  std::vector<zbr::FrameReader::Message> messages;
  for (char c : bytes) { // one byte at a time
    reader.feed(std::string(1, c));
    while (auto m = reader.next()) {
      messages.push_back(*m);
    }
  }
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].opcode, zbr::op_text);
  EXPECT_EQ(messages[0].payload, "abc" + std::string(200, 'z'));
  EXPECT_EQ(messages[1].opcode, zbr::op_close);
  EXPECT_FALSE(reader.failed());

  zbr::FrameReader masked;
  masked.feed(std::string("\x81\x81\x00\x00\x00\x00x", 7)); // servers never mask
  EXPECT_FALSE(masked.next());
  EXPECT_TRUE(masked.failed());
}

TEST(WebSocket, HandshakeAcceptKey) {
  // The example of RFC 6455, section 1.3.
  EXPECT_EQ(zbr::accept_key("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(WebErrorStatus, NetworkErrorsOfTheBrowser) {
  EXPECT_EQ(zbr::web_error_status("net::ERR_NAME_NOT_RESOLVED"), 13);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CONNECTION_REFUSED"), 12);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CONNECTION_RESET"), 10);
  EXPECT_EQ(zbr::web_error_status("net::ERR_TIMED_OUT"), 7);
  EXPECT_EQ(zbr::web_error_status("net::ERR_INTERNET_DISCONNECTED"), 11);
  EXPECT_EQ(zbr::web_error_status("net::ERR_ADDRESS_UNREACHABLE"), 6);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CERT_AUTHORITY_INVALID"), 5);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CERT_COMMON_NAME_INVALID"), 1);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CERT_DATE_INVALID"), 2);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CERT_REVOKED"), 4);
  EXPECT_EQ(zbr::web_error_status("net::ERR_ABORTED"), 14);
  EXPECT_EQ(zbr::web_error_status("net::ERR_CONNECTION_ABORTED"), 9);
  EXPECT_EQ(zbr::web_error_status("net::ERR_EMPTY_RESPONSE"), 8);
  EXPECT_EQ(zbr::web_error_status("net::ERR_TOO_MANY_REDIRECTS"), 15);
  EXPECT_EQ(zbr::web_error_status("net::ERR_SOMETHING_NEW"), 0);
}

// Dialog kinds: alert 0, confirm 1, prompt 2, beforeunload 3; only an accepted prompt sends text.
TEST(ScriptDialog, KindsAndAnswers) {
  EXPECT_EQ(zbr::script_dialog_kind("alert"), 0);
  EXPECT_EQ(zbr::script_dialog_kind("confirm"), 1);
  EXPECT_EQ(zbr::script_dialog_kind("prompt"), 2);
  EXPECT_EQ(zbr::script_dialog_kind("beforeunload"), 3);
  EXPECT_EQ(zbr::script_dialog_kind("print"), -1);
  EXPECT_EQ(zbr::script_dialog_answer(2, true, "na\"me"),
            "{\"accept\":true,\"promptText\":\"na\\\"me\"}");
  EXPECT_EQ(zbr::script_dialog_answer(2, false, "ignored"), "{\"accept\":false}");
  EXPECT_EQ(zbr::script_dialog_answer(3, true, ""), "{\"accept\":true}");
  EXPECT_EQ(zbr::script_dialog_answer(3, false, ""), "{\"accept\":false}");
  EXPECT_EQ(zbr::script_dialog_answer(1, true, "ignored"), "{\"accept\":true}");
}

// Page.windowOpen as Chromium sends it: a popup with a size, a link with a target.
TEST(WindowOpen, AddressFeatureTextAndGesture) {
  const auto popup = Json::parse(
      R"({"url":"https://outside.example.test/popup/","windowName":"p",)"
      R"("windowFeatures":["width=400","height=300","resizable"],"userGesture":false})");
  ASSERT_TRUE(popup);
  const zbr::WindowOpen a = zbr::window_open(*popup);
  EXPECT_EQ(a.url, "https://outside.example.test/popup/");
  EXPECT_EQ(a.features, "width=400,height=300,resizable");
  EXPECT_FALSE(a.user_gesture);

  const auto link = Json::parse(
      R"({"url":"https://x.test/","windowName":"_blank","windowFeatures":["menubar","toolbar",)"
      R"("status","scrollbars","resizable","noopener"],"userGesture":true})");
  ASSERT_TRUE(link);
  const zbr::WindowOpen b = zbr::window_open(*link);
  EXPECT_EQ(b.features, "menubar,toolbar,status,scrollbars,resizable,noopener");
  EXPECT_TRUE(b.user_gesture);
}

} // namespace
