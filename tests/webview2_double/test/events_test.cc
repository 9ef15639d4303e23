// Events raised on the live web view through the control functions, delivered to handlers the
// test registers with add_*, and the lifetime of those handlers.

#include "double_client.hh"

#include <algorithm>
#include <memory>

namespace wv2d_test {
namespace {

class EventsTest : public OpenWebViewTest {
protected:
  // The handlers are registered with the web view, which the base fixture closes in TearDown
  // while they still exist.
  WebMessageHandler message_handler_;
  WebMessageHandler second_message_handler_;
  PermissionHandler permission_handler_;
  NavigationHandler navigation_handler_;
  TitleHandler title_handler_;
  ScriptDialogHandler dialog_handler_;
  NavigationStartingHandler starting_handler_;

  void turn_default_script_dialogs_off() {
    Ref<ICoreWebView2Settings> settings;
    ASSERT_EQ(web_view_->get_Settings(settings.put()), S_OK);
    ASSERT_EQ(settings->put_AreDefaultScriptDialogsEnabled(FALSE), S_OK);
  }
};

TEST_P(EventsTest, RegistrationWritesDistinctTokensAndHoldsTheHandler) {
  EventRegistrationToken first = {0};
  EventRegistrationToken second = {0};
  ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &first), S_OK);
  ASSERT_EQ(web_view_->add_WebMessageReceived(&second_message_handler_, &second), S_OK);
  EXPECT_NE(first.value, 0);
  EXPECT_NE(first.value, second.value);
  EXPECT_EQ(message_handler_.references(), 2u);
  EXPECT_EQ(web_view_->add_WebMessageReceived(&message_handler_, nullptr), E_POINTER);
  EXPECT_EQ(web_view_->add_WebMessageReceived(nullptr, &first), E_INVALIDARG);

  EXPECT_EQ(web_view_->remove_WebMessageReceived(second), S_OK);
  EXPECT_EQ(second_message_handler_.references(), 1u);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"one"), 1);
  EXPECT_EQ(second_message_handler_.invocations, 0);
  EXPECT_EQ(
      api_.program_calls(),
      (std::vector<std::string>{"add_WebMessageReceived", "add_WebMessageReceived",
                                "add_WebMessageReceived", "add_WebMessageReceived",
                                "remove_WebMessageReceived " + std::to_string(second.value)}));

  // Held for the web view's life: released when the controller and web view go away.
  web_view_.reset();
  EXPECT_EQ(message_handler_.references(), 2u);
  controller_.reset();
  EXPECT_EQ(message_handler_.references(), 1u);
}

TEST_P(EventsTest, StringWebMessage) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &token), S_OK);
  HRESULT text_result = E_FAIL;
  std::wstring text;
  std::wstring json;
  ICoreWebView2 *sender = nullptr;
  message_handler_.on_invoke = [&](ICoreWebView2 *s,
                                   ICoreWebView2WebMessageReceivedEventArgs *args) {
    sender = s;
    CoTaskText value;
    text_result = args->TryGetWebMessageAsString(value.put());
    text = value.str();
    EXPECT_EQ(args->get_WebMessageAsJson(value.put()), S_OK);
    json = value.str();
  };
  api_.clear_log();
  EXPECT_EQ(api_.wv2d_raise_web_message(L"{\"id\":1,\"result\":\"é\"}\n"), 1);
  EXPECT_EQ(message_handler_.invocations, 1);
  EXPECT_EQ(sender, web_view_.get());
  EXPECT_EQ(text_result, S_OK);
  EXPECT_EQ(text, L"{\"id\":1,\"result\":\"é\"}\n");
  EXPECT_EQ(json, L"\"{\\\"id\\\":1,\\\"result\\\":\\\"é\\\"}\\u000a\"");
  EXPECT_EQ(api_.log_lines(),
            (std::vector<std::string>{"-> WebMessageReceived text {\"id\":1,\"result\":\"é\"}\\n",
                                      "TryGetWebMessageAsString", "get_WebMessageAsJson"}));
}

TEST_P(EventsTest, WebMessageThatIsNotAString) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &token), S_OK);
  HRESULT text_result = S_OK;
  bool text_null = false;
  std::wstring json;
  message_handler_.on_invoke = [&](ICoreWebView2 *,
                                   ICoreWebView2WebMessageReceivedEventArgs *args) {
    LPWSTR value = reinterpret_cast<LPWSTR>(1);
    text_result = args->TryGetWebMessageAsString(&value);
    text_null = value == nullptr;
    CoTaskText as_json;
    EXPECT_EQ(args->get_WebMessageAsJson(as_json.put()), S_OK);
    json = as_json.str();
  };
  EXPECT_EQ(api_.wv2d_raise_web_message_json(L"{\"a\":[1,2]}"), 1);
  EXPECT_EQ(text_result, E_INVALIDARG);
  EXPECT_TRUE(text_null);
  EXPECT_EQ(json, L"{\"a\":[1,2]}");
}

TEST_P(EventsTest, PermissionRequestReportsTheStateTheProgramPut) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_PermissionRequested(&permission_handler_, &token), S_OK);
  std::wstring uri;
  permission_handler_.on_invoke = [&](ICoreWebView2 *,
                                      ICoreWebView2PermissionRequestedEventArgs *args) {
    COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    EXPECT_EQ(args->get_PermissionKind(&kind), S_OK);
    CoTaskText value;
    EXPECT_EQ(args->get_Uri(value.put()), S_OK);
    uri = value.str();
    if (kind == COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ) {
      EXPECT_EQ(args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW), S_OK);
    } else if (kind == COREWEBVIEW2_PERMISSION_KIND_CAMERA) {
      EXPECT_EQ(args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY), S_OK);
    }
  };
  api_.clear_log();
  int state = -1;
  EXPECT_EQ(api_.wv2d_raise_permission_requested(COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ,
                                                 L"https://office.example.test/", &state),
            1);
  EXPECT_EQ(state, COREWEBVIEW2_PERMISSION_STATE_ALLOW);
  EXPECT_EQ(uri, L"https://office.example.test/");
  EXPECT_EQ(api_.wv2d_raise_permission_requested(COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION,
                                                 L"https://maps.test/", &state),
            1);
  EXPECT_EQ(state, COREWEBVIEW2_PERMISSION_STATE_DEFAULT);
  EXPECT_EQ(
      api_.wv2d_raise_permission_requested(COREWEBVIEW2_PERMISSION_KIND_CAMERA, nullptr, &state),
      1);
  EXPECT_EQ(state, COREWEBVIEW2_PERMISSION_STATE_DENY);
  EXPECT_EQ(api_.log_lines(),
            (std::vector<std::string>{"-> PermissionRequested 6 https://office.example.test/",
                                      "get_PermissionKind", "get_Uri", "put_State 1",
                                      "-> PermissionRequested 3 https://maps.test/",
                                      "get_PermissionKind", "get_Uri", "-> PermissionRequested 2 ",
                                      "get_PermissionKind", "get_Uri", "put_State 2"}));
}

TEST_P(EventsTest, NavigationCompletedCarriesSuccessStatusAndSource) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_NavigationCompleted(&navigation_handler_, &token), S_OK);
  std::vector<std::tuple<BOOL, int, std::wstring>> seen;
  navigation_handler_.on_invoke = [&](ICoreWebView2 *sender,
                                      ICoreWebView2NavigationCompletedEventArgs *args) {
    BOOL success = -1;
    COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
    EXPECT_EQ(args->get_IsSuccess(&success), S_OK);
    EXPECT_EQ(args->get_WebErrorStatus(&status), S_OK);
    CoTaskText source;
    EXPECT_EQ(sender->get_Source(source.put()), S_OK);
    seen.emplace_back(success, status, source.str());
  };
  ASSERT_EQ(web_view_->Navigate(L"https://office.example.test/"), S_OK);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(TRUE, 0, nullptr), 1);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(
                FALSE, COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED, L"http://plain.test/"),
            1);
  CoTaskText source;
  EXPECT_EQ(web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), L"http://plain.test/");
  EXPECT_EQ(seen,
            (std::vector<std::tuple<BOOL, int, std::wstring>>{
                {TRUE, 0, L"https://office.example.test/"}, {FALSE, 13, L"http://plain.test/"}}));
  const auto lines = api_.log_lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "-> NavigationCompleted 0 13 http://plain.test/"),
            lines.end());
}

TEST_P(EventsTest, NavigationIdCountsNavigations) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_NavigationCompleted(&navigation_handler_, &token), S_OK);
  UINT64 id = 0;
  navigation_handler_.on_invoke = [&](ICoreWebView2 *,
                                      ICoreWebView2NavigationCompletedEventArgs *args) {
    EXPECT_EQ(args->get_NavigationId(&id), S_OK);
  };
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  ASSERT_EQ(web_view_->NavigateToString(L"<p>"), S_OK);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(TRUE, 0, nullptr), 1);
  EXPECT_EQ(id, 2u);
}

TEST_P(EventsTest, DialogOfADocumentLoadedWithDefaultDialogsIsAnsweredByWebView2Itself) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_ScriptDialogOpening(&dialog_handler_, &token), S_OK);
  api_.clear_log();
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM, L"Save?"), 0);
  EXPECT_EQ(dialog_handler_.invocations, 0);
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{"-> DefaultScriptDialog 1 Save?",
                                                        "-> ScriptDialogAnswered 1"}));
}

TEST_P(EventsTest, TurningDefaultDialogsOffAppliesFromTheNextDocument) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_ScriptDialogOpening(&dialog_handler_, &token), S_OK);
  ASSERT_NO_FATAL_FAILURE(turn_default_script_dialogs_off());
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, L"one"), 0);
  ASSERT_EQ(web_view_->Navigate(L"https://next.test/"), S_OK);
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD, L""), 0)
      << "leaving asks the page that is still loaded";
  EXPECT_EQ(dialog_handler_.invocations, 0);

  EXPECT_EQ(api_.wv2d_raise_content_loading(), 0);
  api_.clear_log();
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, L"two"), 1);
  EXPECT_EQ(dialog_handler_.invocations, 1);
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{"-> ScriptDialogOpening 0 two",
                                                        "-> ScriptDialogAnswered 0"}));
}

TEST_P(EventsTest, NavigationCompletedWithoutContentLoadingLoadsTheNextDocument) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_ScriptDialogOpening(&dialog_handler_, &token), S_OK);
  ASSERT_NO_FATAL_FAILURE(turn_default_script_dialogs_off());
  ASSERT_EQ(web_view_->Navigate(L"https://next.test/"), S_OK);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(FALSE, 13, nullptr), 0);
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, L"failed"), 0);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(TRUE, 0, nullptr), 0);
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, L"loaded"), 1);
}

TEST_P(EventsTest, NavigationStartingCarriesAddressAndIdAndCanBeCanceled) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_NavigationStarting(&starting_handler_, &token), S_OK);
  std::vector<std::pair<std::wstring, UINT64>> seen;
  starting_handler_.on_invoke = [&](ICoreWebView2 *,
                                    ICoreWebView2NavigationStartingEventArgs *args) {
    CoTaskText uri;
    UINT64 id = 0;
    BOOL user = TRUE, redirected = TRUE;
    EXPECT_EQ(args->get_Uri(uri.put()), S_OK);
    EXPECT_EQ(args->get_NavigationId(&id), S_OK);
    EXPECT_EQ(args->get_IsUserInitiated(&user), S_OK);
    EXPECT_EQ(args->get_IsRedirected(&redirected), S_OK);
    EXPECT_EQ(user, FALSE);
    EXPECT_EQ(redirected, FALSE);
    seen.emplace_back(uri.str(), id);
    if (uri.str() == L"https://elsewhere.test/") {
      EXPECT_EQ(args->put_Cancel(TRUE), S_OK);
    }
  };
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  ASSERT_EQ(web_view_->Navigate(L"https://b.test/"), S_OK);
  api_.clear_log();
  EXPECT_EQ(api_.wv2d_raise_navigation_starting(nullptr), 1);
  EXPECT_EQ(api_.wv2d_raise_navigation_starting(L"https://elsewhere.test/"), 1);
  EXPECT_EQ(seen, (std::vector<std::pair<std::wstring, UINT64>>{{L"https://b.test/", 2},
                                                                {L"https://elsewhere.test/", 2}}));
  const auto lines = api_.log_lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "-> NavigationStarting https://b.test/");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "-> NavigationCanceled"), 1);
  EXPECT_EQ(lines.back(), "-> NavigationCanceled");
}

TEST_P(EventsTest, DocumentTitleChange) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_DocumentTitleChanged(&title_handler_, &token), S_OK);
  std::wstring title_seen;
  title_handler_.on_invoke = [&](ICoreWebView2 *sender, IUnknown *) {
    CoTaskText title;
    EXPECT_EQ(sender->get_DocumentTitle(title.put()), S_OK);
    title_seen = title.str();
  };
  EXPECT_EQ(api_.wv2d_raise_document_title_changed(L"زورفل أوفيس"), 1);
  EXPECT_EQ(title_seen, L"زورفل أوفيس");
  CoTaskText title;
  EXPECT_EQ(web_view_->get_DocumentTitle(title.put()), S_OK);
  EXPECT_EQ(title.str(), L"زورفل أوفيس");
  const auto lines = api_.log_lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "-> DocumentTitleChanged زورفل أوفيس");
}

TEST_P(EventsTest, HandlersRunInRegistrationOrderAndMayRemoveThemselves) {
  EventRegistrationToken first;
  EventRegistrationToken second;
  std::vector<int> order;
  message_handler_.on_invoke = [&](ICoreWebView2 *sender,
                                   ICoreWebView2WebMessageReceivedEventArgs *) {
    order.push_back(1);
    EXPECT_EQ(sender->remove_WebMessageReceived(first), S_OK);
  };
  second_message_handler_.on_invoke =
      [&](ICoreWebView2 *, ICoreWebView2WebMessageReceivedEventArgs *) { order.push_back(2); };
  ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &first), S_OK);
  ASSERT_EQ(web_view_->add_WebMessageReceived(&second_message_handler_, &second), S_OK);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"a"), 2);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"b"), 1);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 2}));
  EXPECT_EQ(message_handler_.references(), 1u);
}

TEST_P(EventsTest, ArgumentsKeptByAHandlerStayAliveUntilReleased) {
  EventRegistrationToken token;
  Ref<ICoreWebView2NavigationCompletedEventArgs> kept;
  navigation_handler_.on_invoke =
      [&](ICoreWebView2 *, ICoreWebView2NavigationCompletedEventArgs *args) { kept.assign(args); };
  ASSERT_EQ(web_view_->add_NavigationCompleted(&navigation_handler_, &token), S_OK);
  const long before = api_.live_objects();
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(FALSE, 6, L"https://x.test/"), 1);
  EXPECT_EQ(api_.live_objects(), before + 1);
  BOOL success = TRUE;
  EXPECT_EQ(kept->get_IsSuccess(&success), S_OK);
  EXPECT_EQ(success, FALSE);
  kept.reset();
  EXPECT_EQ(api_.live_objects(), before);
}

TEST_P(EventsTest, ClosedOrMissingWebViewGetsNoEvents) {
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_DocumentTitleChanged(&title_handler_, &token), S_OK);
  EXPECT_EQ(controller_->Close(), S_OK);
  EXPECT_EQ(title_handler_.references(), 1u); // released by Close
  EXPECT_EQ(api_.wv2d_raise_document_title_changed(L"t"), -1);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"m"), -1);
  EXPECT_EQ(title_handler_.invocations, 0);
  const auto lines = api_.log_lines();
  EXPECT_EQ(lines.back(), "# no open web view for WebMessageReceived");
}

TEST_P(EventsTest, EventsGoToTheNewestOpenWebView) {
  TestWindows other_windows;
  WebMessageHandler other_handler;
  Ref<ICoreWebView2Controller> other_controller;
  Ref<ICoreWebView2> other_web_view;
  ASSERT_NO_FATAL_FAILURE(make_web_view(other_windows.child(), other_controller, other_web_view));
  EventRegistrationToken token;
  ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &token), S_OK);
  ASSERT_EQ(other_web_view->add_WebMessageReceived(&other_handler, &token), S_OK);

  EXPECT_EQ(api_.wv2d_raise_web_message(L"to the newest"), 1);
  EXPECT_EQ(other_handler.invocations, 1);
  EXPECT_EQ(message_handler_.invocations, 0);
  other_web_view.reset();
  other_controller.reset(); // the last reference: closes the newest web view
  EXPECT_EQ(other_handler.references(), 1u);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"to the older one"), 1);
  EXPECT_EQ(message_handler_.invocations, 1);
}

INSTANTIATE_TEST_SUITE_P(Flavours, EventsTest, testing::Values(Flavour::loader, Flavour::runtime),
                         flavour_name);

} // namespace
} // namespace wv2d_test
