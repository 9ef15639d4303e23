// Configuration text (wv2d_configure and the file WV2_DOUBLE_CONFIG names), scripted events that
// run from the message loop, and what a reset drops.

#include "double_client.hh"

#include <memory>

namespace wv2d_test {
namespace {

class ConfigurationTest : public DoubleTest {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DoubleTest::SetUp());
    windows_ = std::make_unique<TestWindows>();
    ASSERT_NO_FATAL_FAILURE(make_web_view(windows_->child(), controller_, web_view_));
    EventRegistrationToken token;
    ASSERT_EQ(web_view_->add_WebMessageReceived(&message_handler_, &token), S_OK);
    ASSERT_EQ(web_view_->add_NavigationCompleted(&navigation_handler_, &token), S_OK);
    message_handler_.on_invoke = [this](ICoreWebView2 *,
                                        ICoreWebView2WebMessageReceivedEventArgs *args) {
      CoTaskText text;
      if (SUCCEEDED(args->TryGetWebMessageAsString(text.put()))) {
        messages_.push_back(text.str());
      } else {
        EXPECT_EQ(args->get_WebMessageAsJson(text.put()), S_OK);
        messages_.push_back(L"json:" + text.str());
      }
    };
    navigation_handler_.on_invoke = [this](ICoreWebView2 *sender,
                                           ICoreWebView2NavigationCompletedEventArgs *args) {
      BOOL success = FALSE;
      COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
      args->get_IsSuccess(&success);
      args->get_WebErrorStatus(&status);
      CoTaskText source;
      sender->get_Source(source.put());
      navigations_.push_back(std::to_wstring(success) + L" " + std::to_wstring(status) + L" " +
                             source.str());
    };
    api_.clear_log();
  }
  void TearDown() override {
    web_view_.reset();
    controller_.reset();
    windows_.reset();
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", nullptr);
    DoubleTest::TearDown();
  }

  WebMessageHandler message_handler_;
  NavigationHandler navigation_handler_;
  std::vector<std::wstring> messages_;
  std::vector<std::wstring> navigations_;
  std::unique_ptr<TestWindows> windows_;
  Ref<ICoreWebView2Controller> controller_;
  Ref<ICoreWebView2> web_view_;
};

TEST_P(ConfigurationTest, FaultsAndVersionFromText) {
  EXPECT_EQ(api_.configure("# settings that fail\n"
                           "fault=put_AreDevToolsEnabled S_FALSE\n"
                           "\n"
                           "fault=Navigate 0x80070057 1\r\n"
                           "fault=put_IsStatusBarEnabled -2147467259 *\n"
                           "version=99.0.1234.5\n"),
            0);
  Ref<ICoreWebView2Settings> settings;
  ASSERT_EQ(web_view_->get_Settings(settings.put()), S_OK);
  EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_FALSE);
  EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_FALSE);
  EXPECT_EQ(settings->put_IsStatusBarEnabled(FALSE), E_FAIL);
  EXPECT_EQ(web_view_->Navigate(L"https://a.test/"), E_INVALIDARG);
  EXPECT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);

  Ref<ICoreWebView2Environment> environment;
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));
  CoTaskText version;
  EXPECT_EQ(environment->get_BrowserVersionString(version.put()), S_OK);
  EXPECT_EQ(version.str(), L"99.0.1234.5");
}

TEST_P(ConfigurationTest, RejectedLinesAreCountedAndNoted) {
  EXPECT_EQ(api_.configure("fault=Navigate\n"
                           "fault=Navigate NOT_A_RESULT\n"
                           "colour=blue\n"
                           "on=Navigate web_message x\n"
                           "on=Navigate#0 web_message x\n"
                           "on=Navigate#1 explode\n"
                           "on=Navigate#1 navigation_completed yes 6\n"
                           "on=Navigate#1 close now\n"
                           "fault=Navigate E_FAIL 2\n"),
            8);
  const auto lines = api_.log_lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "# configuration line 1 rejected: fault=Navigate");
  EXPECT_EQ(lines[7], "# configuration line 8 rejected: on=Navigate#1 close now");
  EXPECT_EQ(web_view_->Navigate(L"https://a.test/"), E_FAIL); // line 9 was accepted
}

TEST_P(ConfigurationTest, ScriptedEventRunsFromTheMessageLoopAfterItsTrigger) {
  EXPECT_EQ(api_.configure("on=Navigate#1 web_message hello\\nworld\n"
                           "on=Navigate#1 navigation_completed 0 12\n"),
            0);
  ASSERT_EQ(web_view_->Navigate(L"https://office.example.test/"), S_OK);
  EXPECT_TRUE(messages_.empty()); // not inside the program's call
  EXPECT_EQ(api_.pending_callbacks(), 2);
  ASSERT_TRUE(pump_until([&] { return navigations_.size() == 1; }));
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"hello\nworld"});
  EXPECT_EQ(navigations_, std::vector<std::wstring>{L"0 12 https://office.example.test/"});

  // Only the first Navigate triggers these rules.
  ASSERT_EQ(web_view_->Navigate(L"https://office.example.test/2"), S_OK);
  EXPECT_EQ(api_.pending_callbacks(), 0);
}

TEST_P(ConfigurationTest, RulesForTheNthOrEveryOccurrence) {
  EXPECT_EQ(api_.configure("on=Navigate#2 navigation_completed 0 6 https://retry.test/?a=1 b\n"
                           "on=NavigateToString#* navigation_completed 1 0\n"
                           "on=NavigationCompleted#3 web_message_json {\"done\":true}\n"),
            0);
  ASSERT_EQ(web_view_->Navigate(L"https://one.test/"), S_OK);
  ASSERT_EQ(web_view_->Navigate(L"https://two.test/"), S_OK);
  ASSERT_TRUE(pump_until([&] { return navigations_.size() == 1; }));
  ASSERT_EQ(web_view_->NavigateToString(L"<p>offline</p>"), S_OK);
  ASSERT_TRUE(pump_until([&] { return navigations_.size() == 2; }));
  ASSERT_EQ(web_view_->NavigateToString(L"<p>again</p>"), S_OK);
  ASSERT_TRUE(pump_until([&] { return messages_.size() == 1; }));
  EXPECT_EQ(navigations_, (std::vector<std::wstring>{L"0 6 https://retry.test/?a=1 b",
                                                     L"1 0 about:blank", L"1 0 about:blank"}));
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"json:{\"done\":true}"});
}

TEST_P(ConfigurationTest, DelayedActionsRunInOrderOfDueTime) {
  EXPECT_EQ(api_.configure("on=Navigate#1 +300 web_message third\n"
                           "on=Navigate#1 +100 web_message second\n"
                           "on=Navigate#1 +100 web_message second too\n"
                           "on=Navigate#1 web_message first\n"),
            0);
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  ASSERT_TRUE(pump_until([&] { return messages_.size() == 4; }));
  EXPECT_GE(GetTickCount64() - start, 290u);
  EXPECT_EQ(messages_, (std::vector<std::wstring>{L"first", L"second", L"second too", L"third"}));
}

TEST_P(ConfigurationTest, TitleAndPermissionActions) {
  TitleHandler title_handler;
  PermissionHandler permission_handler;
  std::wstring title;
  int kind = -1;
  title_handler.on_invoke = [&](ICoreWebView2 *sender, IUnknown *) {
    CoTaskText text;
    sender->get_DocumentTitle(text.put());
    title = text.str();
  };
  permission_handler.on_invoke = [&](ICoreWebView2 *,
                                     ICoreWebView2PermissionRequestedEventArgs *args) {
    COREWEBVIEW2_PERMISSION_KIND k;
    args->get_PermissionKind(&k);
    kind = k;
    args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
  };
  EventRegistrationToken title_token;
  EventRegistrationToken permission_token;
  ASSERT_EQ(web_view_->add_DocumentTitleChanged(&title_handler, &title_token), S_OK);
  ASSERT_EQ(web_view_->add_PermissionRequested(&permission_handler, &permission_token), S_OK);
  EXPECT_EQ(api_.configure("on=Navigate#1 title Offline \\u2014 retry\n"
                           "on=Navigate#1 permission 6 https://office.example.test/\n"),
            0);
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  ASSERT_TRUE(pump_until([&] { return kind != -1; }));
  EXPECT_EQ(title, L"Offline \x2014 retry");
  EXPECT_EQ(kind, 6);
  const auto lines = api_.log_lines();
  EXPECT_EQ(lines.back(), "put_State 1");
  EXPECT_EQ(web_view_->remove_DocumentTitleChanged(title_token), S_OK);
  EXPECT_EQ(web_view_->remove_PermissionRequested(permission_token), S_OK);
}

TEST_P(ConfigurationTest, CloseActionPostsWmCloseToTheRootOfTheControllerParent) {
  EXPECT_EQ(api_.configure("on=put_IsVisible#1 close\n"), 0);
  ASSERT_EQ(controller_->put_IsVisible(TRUE), S_OK);
  EXPECT_EQ(windows_->close_requests(), 0);
  ASSERT_TRUE(pump_until([&] { return windows_->close_requests() == 1; }));
  EXPECT_EQ(api_.log_lines().back(), "-> CloseWindow " + wv2d::handle_text(windows_->top()));
}

TEST_P(ConfigurationTest, QuitActionEndsAGetMessageLoop) {
  EXPECT_EQ(api_.configure("on=MoveFocus#1 web_message last\non=MoveFocus#1 +50 quit\n"), 0);
  ASSERT_EQ(controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC), S_OK);
  const UINT_PTR guard = SetTimer(nullptr, 0, 5000, nullptr);
  MSG message;
  bool quit = false;
  while (!quit) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    quit = got == 0;
    if (got <= 0 || (message.message == WM_TIMER && message.wParam == guard)) {
      break;
    }
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, guard);
  EXPECT_TRUE(quit);
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"last"});
}

TEST_P(ConfigurationTest, ConfigurationFileIsReadOnReset) {
  const std::wstring path = temporary_path(L"config.txt");
  ASSERT_TRUE(write_file(path, "fault=put_IsVisible E_ABORT 1\n"
                               "on=Navigate#1 web_message from the file\n"
                               "bad line\n"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", path.c_str()));
  api_.reset();
  EXPECT_EQ(api_.log(), "# configuration line 3 rejected: bad line\n");
  EXPECT_EQ(controller_->put_IsVisible(TRUE), E_ABORT);
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  ASSERT_TRUE(pump_until([&] { return messages_.size() == 1; }));
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"from the file"});

  ASSERT_TRUE(SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", L"C:\\missing\\config.txt"));
  api_.reset();
  EXPECT_EQ(api_.log(), "# cannot read the configuration file C:\\\\missing\\\\config.txt\n");
  EXPECT_EQ(controller_->put_IsVisible(TRUE), S_OK); // the earlier fault is gone
  DeleteFileW(path.c_str());
}

TEST_P(ConfigurationTest, ResetDropsRulesFaultsAndQueuedCallbacks) {
  ScriptAddedHandler script_handler;
  ASSERT_EQ(api_.configure("fault=put_IsVisible E_FAIL\non=Navigate#* web_message x\n"), 0);
  ASSERT_EQ(web_view_->AddScriptToExecuteOnDocumentCreated(L"s()", &script_handler), S_OK);
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  EXPECT_EQ(api_.pending_callbacks(), 2);
  EXPECT_EQ(script_handler.references(), 2u);

  api_.reset();
  EXPECT_EQ(api_.pending_callbacks(), 0);
  EXPECT_EQ(script_handler.references(), 1u); // released without being invoked
  EXPECT_EQ(api_.log(), "");
  EXPECT_EQ(controller_->put_IsVisible(TRUE), S_OK);
  ASSERT_EQ(web_view_->Navigate(L"https://a.test/"), S_OK);
  pump_for(200);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(script_handler.invocations, 0);
  // Script ids start again at 1.
  ASSERT_EQ(web_view_->AddScriptToExecuteOnDocumentCreated(L"t()", &script_handler), S_OK);
  EXPECT_EQ(api_.program_calls().back(), "AddScriptToExecuteOnDocumentCreated 1 t()");
  ASSERT_TRUE(pump_until([&] { return script_handler.invocations == 1; }));
}

INSTANTIATE_TEST_SUITE_P(Flavours, ConfigurationTest,
                         testing::Values(Flavour::loader, Flavour::runtime), flavour_name);

} // namespace
} // namespace wv2d_test
