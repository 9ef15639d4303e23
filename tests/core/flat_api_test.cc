// The flat C functions over an engine: argument checks, the error filter and the version record.
#include "../support/test_engine.hh"

#include <webview/c_api_impl.hh>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace test_support;

// A backend whose operations fail, to see how outcomes and exceptions become codes.
class failing_engine : public test_engine {
public:
  failing_engine() : test_engine(false) {}

protected:
  op_status navigate_impl(const std::string &) override {
    return op_status::failure(error_invalid_state, "ignored message");
  }
  op_status set_title_impl(const std::string &) override {
    throw webview::exception(error_canceled, "from backend");
  }
  op_status eval_impl(const std::string &js) override {
    if (js == "throw") {
      throw std::runtime_error("other");
    }
    return {};
  }
  op_status run_impl() override { throw bad_access{}; }
};

TEST(FlatApi, NullArgumentsAreCheckedBeforeTheHandle) {
  test_engine engine;
  webview_t w = &engine;
  EXPECT_EQ(webview_navigate(nullptr, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_navigate(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_set_title(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_set_html(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_init(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_eval(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_bind(
                w, nullptr, [](const char *, const char *, void *) {}, nullptr),
            WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_bind(w, "f", nullptr, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_unbind(w, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_return(w, nullptr, 0, ""), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_return(w, "id", 0, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_dispatch(w, nullptr, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_dispatch(nullptr, nullptr, nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_TRUE(engine.navigations.empty()) << "a null address loads nothing";
  EXPECT_TRUE(engine.titles.empty());
}

TEST(FlatApi, NullHandleGivesInvalidArgument) {
  EXPECT_EQ(webview_run(nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_destroy(nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_terminate(nullptr), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_navigate(nullptr, "x"), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_set_size(nullptr, 1, 1, WEBVIEW_HINT_NONE), WEBVIEW_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(webview_get_window(nullptr), nullptr);
  EXPECT_EQ(webview_get_native_handle(nullptr, WEBVIEW_NATIVE_HANDLE_KIND_UI_WINDOW), nullptr);
  try {
    webview::detail::cast_to_webview(nullptr);
    FAIL() << "no exception";
  } catch (const webview::exception &e) {
    EXPECT_EQ(e.code(), WEBVIEW_ERROR_INVALID_ARGUMENT);
    EXPECT_STREQ(e.what(), "Cannot cast null pointer to webview instance");
  }
}

TEST(FlatApi, OutcomesAndExceptionsBecomeCodes) {
  failing_engine engine;
  webview_t w = &engine;
  EXPECT_EQ(webview_navigate(w, "x"), WEBVIEW_ERROR_INVALID_STATE);
  EXPECT_EQ(webview_set_title(w, "t"), WEBVIEW_ERROR_CANCELED);
  EXPECT_EQ(webview_eval(w, "throw"), WEBVIEW_ERROR_UNSPECIFIED);
  EXPECT_EQ(webview_eval(w, "1"), 0);
  EXPECT_EQ(webview_run(w), WEBVIEW_ERROR_UNSPECIFIED);
  EXPECT_EQ(webview_bind(
                w, "f", [](const char *, const char *, void *) {}, nullptr),
            0);
  EXPECT_EQ(webview_bind(
                w, "f", [](const char *, const char *, void *) {}, nullptr),
            WEBVIEW_ERROR_DUPLICATE);
  EXPECT_EQ(webview_unbind(w, "g"), WEBVIEW_ERROR_NOT_FOUND);
  EXPECT_EQ(webview_unbind(w, "f"), 0);
}

TEST(FlatApi, NativeHandles) {
  test_engine engine;
  webview_t w = &engine;
  EXPECT_EQ(webview_get_window(w), static_cast<void *>(&engine));
  EXPECT_EQ(webview_get_native_handle(w, WEBVIEW_NATIVE_HANDLE_KIND_UI_WINDOW),
            static_cast<void *>(&engine));
  EXPECT_EQ(webview_get_native_handle(w, WEBVIEW_NATIVE_HANDLE_KIND_UI_WIDGET), nullptr);
  EXPECT_EQ(webview_get_native_handle(w, WEBVIEW_NATIVE_HANDLE_KIND_BROWSER_CONTROLLER), nullptr);
  EXPECT_EQ(webview_get_native_handle(w, static_cast<webview_native_handle_kind_t>(3)), nullptr);
  engine.close_window();
  EXPECT_EQ(webview_get_window(w), nullptr);
}

TEST(FlatApi, SizeHintIsPassedUnvalidated) {
  test_engine engine;
  EXPECT_EQ(webview_set_size(&engine, 300, 200, static_cast<webview_hint_t>(7)), 0);
  ASSERT_EQ(engine.sizes.size(), 1u);
  EXPECT_EQ(engine.sizes[0].hint, 7);
  engine.pump();
  EXPECT_EQ(engine.sizes.size(), 1u) << "the default size is suppressed";
}

struct call_record {
  std::vector<std::string> seen;
  webview_t w = nullptr;
};

TEST(FlatApi, BindDispatchAndReturnRoundTrip) {
  test_engine engine;
  engine.pump();
  call_record record;
  record.w = &engine;
  ASSERT_EQ(webview_bind(
                &engine, "echo",
                [](const char *id, const char *req, void *arg) {
                  auto *r = static_cast<call_record *>(arg);
                  r->seen.push_back(std::string(id) + "|" + req);
                  webview_return(r->w, id, 1, "{\"e\":true}");
                },
                &record),
            0);
  engine.evaluated.clear();
  engine.receive(R"({"id":"c1","method":"echo","params":["x"]})");
  int dispatched = 0;
  ASSERT_EQ(webview_dispatch(
                &engine, [](webview_t, void *arg) { ++*static_cast<int *>(arg); }, &dispatched),
            0);
  EXPECT_EQ(dispatched, 0);
  engine.pump();
  EXPECT_EQ(dispatched, 1);
  EXPECT_EQ(record.seen, (std::vector<std::string>{"c1|[\"x\"]"}));
  EXPECT_EQ(engine.evaluated, (std::vector<std::string>{
                                  "window.__webview__.onReply(\"c1\", 1, \"{\\\"e\\\":true}\")"}));
}

TEST(FlatApi, DestroyRunsTheVirtualDestructor) {
  auto *engine = new test_engine;
  EXPECT_EQ(webview::detail::window_count.load(), 1);
  EXPECT_EQ(webview_destroy(engine), 0);
  EXPECT_EQ(webview::detail::window_count.load(), 0);
}

TEST(FlatApi, VersionRecord) {
  const webview_version_info_t *v = webview_version();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->major, 0u);
  EXPECT_EQ(v->minor, 12u);
  EXPECT_EQ(v->patch, 0u);
  EXPECT_STREQ(v->text, "0.12.0");
  EXPECT_EQ(sizeof(v->text), 32u);
  EXPECT_EQ(sizeof(v->pre_release), 48u);
  EXPECT_EQ(sizeof(v->build_metadata), 48u);
  EXPECT_EQ(v->text[31], '\0');
  EXPECT_EQ(std::strlen(v->pre_release), 0u);
  EXPECT_EQ(std::strlen(v->build_metadata), 0u);
  EXPECT_EQ(v, webview_version()) << "one static record";
}

} // namespace
