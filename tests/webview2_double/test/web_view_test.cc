// Calls on a live controller, its web view and its settings: what is recorded, what is read back,
// and the faults a test can inject into them.

#include "double_client.hh"

namespace wv2d_test {
namespace {

class WebViewTest : public OpenWebViewTest {};

TEST_P(WebViewTest, SettingsCallsAreRecordedAndReadBack) {
  Ref<ICoreWebView2Settings> settings;
  ASSERT_EQ(web_view_->get_Settings(settings.put()), S_OK);
  ASSERT_NE(settings.get(), nullptr);
  BOOL value = FALSE;
  EXPECT_EQ(settings->get_AreDevToolsEnabled(&value), S_OK);
  EXPECT_EQ(value, TRUE);
  EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_OK);
  EXPECT_EQ(settings->put_IsStatusBarEnabled(FALSE), S_OK);
  EXPECT_EQ(settings->put_IsZoomControlEnabled(TRUE), S_OK);
  EXPECT_EQ(settings->get_AreDevToolsEnabled(&value), S_OK);
  EXPECT_EQ(value, FALSE);
  EXPECT_EQ(settings->get_IsStatusBarEnabled(&value), S_OK);
  EXPECT_EQ(value, FALSE);
  EXPECT_EQ(api_.program_calls(),
            (std::vector<std::string>{"get_Settings", "get_AreDevToolsEnabled",
                                      "put_AreDevToolsEnabled 0", "put_IsStatusBarEnabled 0",
                                      "put_IsZoomControlEnabled 1", "get_AreDevToolsEnabled",
                                      "get_IsStatusBarEnabled"}));
}

TEST_P(WebViewTest, SettingsCallsCanBeMadeToFail) {
  Ref<ICoreWebView2Settings> settings;
  api_.set_fault("get_Settings", S_FALSE, 1);
  EXPECT_EQ(web_view_->get_Settings(settings.put()), S_FALSE);
  EXPECT_EQ(settings.get(), nullptr);
  api_.set_fault("get_Settings", E_FAIL, 1);
  EXPECT_EQ(web_view_->get_Settings(settings.put()), E_FAIL);
  EXPECT_EQ(settings.get(), nullptr);
  ASSERT_EQ(web_view_->get_Settings(settings.put()), S_OK);

  api_.set_fault("put_AreDevToolsEnabled", S_FALSE, 1);
  api_.set_fault("put_IsStatusBarEnabled", E_ACCESSDENIED, 1);
  api_.set_fault("put_IsZoomControlEnabled", E_FAIL, -1);
  EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_FALSE);
  EXPECT_EQ(settings->put_IsStatusBarEnabled(FALSE), E_ACCESSDENIED);
  EXPECT_EQ(settings->put_IsZoomControlEnabled(FALSE), E_FAIL);
  EXPECT_EQ(settings->put_IsZoomControlEnabled(FALSE), E_FAIL);
  BOOL value = FALSE;
  EXPECT_EQ(settings->get_AreDevToolsEnabled(&value), S_OK);
  EXPECT_EQ(value, TRUE);                                   // a failed setter keeps the old value
  EXPECT_EQ(settings->put_AreDevToolsEnabled(FALSE), S_OK); // the fault was used up
  EXPECT_EQ(settings->put_IsStatusBarEnabled(FALSE), S_OK);
  EXPECT_EQ(settings->put_IsZoomControlEnabled(FALSE), E_FAIL);
}

TEST_P(WebViewTest, NavigationCallsAreRecordedAndSetTheSource) {
  CoTaskText source;
  EXPECT_EQ(web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), L"");
  EXPECT_EQ(web_view_->Navigate(L"https://office.example.test/start?x=1&w=2"), S_OK);
  EXPECT_EQ(web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), L"https://office.example.test/start?x=1&w=2");
  EXPECT_EQ(web_view_->NavigateToString(L"<html>\n<p>offline</p></html>"), S_OK);
  EXPECT_EQ(web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), L"about:blank");
  EXPECT_EQ(web_view_->ExecuteScript(L"window.x = 1", nullptr), S_OK);
  EXPECT_EQ(api_.pending_callbacks(), 0);
  EXPECT_EQ(
      api_.program_calls(),
      (std::vector<std::string>{"get_Source", "Navigate https://office.example.test/start?x=1&w=2",
                                "get_Source", "NavigateToString <html>\\n<p>offline</p></html>",
                                "get_Source", "ExecuteScript window.x = 1"}));

  api_.set_fault("Navigate", E_INVALIDARG, 1);
  EXPECT_EQ(web_view_->Navigate(L"https://elsewhere.test/"), E_INVALIDARG);
  EXPECT_EQ(web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), L"about:blank");
}

TEST_P(WebViewTest, ExecuteScriptCompletesAGivenHandlerLaterWithNull) {
  ExecuteScriptHandler handler;
  std::wstring result;
  handler.on_invoke = [&](HRESULT error, LPCWSTR json) {
    EXPECT_EQ(error, S_OK);
    result = json ? json : L"(null)";
  };
  ASSERT_EQ(web_view_->ExecuteScript(L"1 + 1", &handler), S_OK);
  EXPECT_EQ(handler.invocations, 0);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(result, L"null");
  EXPECT_EQ(handler.references(), 1u);
}

TEST_P(WebViewTest, UserScriptsGetIdsThroughTheirCompletionHandler) {
  ScriptAddedHandler first;
  ScriptAddedHandler second;
  std::vector<std::pair<HRESULT, std::wstring>> results;
  const auto record = [&](HRESULT error, LPCWSTR id) {
    results.emplace_back(error, id ? id : L"(null)");
  };
  first.on_invoke = record;
  second.on_invoke = record;

  ASSERT_EQ(
      web_view_->AddScriptToExecuteOnDocumentCreated(L"window.a = 1;\nwindow.b = '\\';", &first),
      S_OK);
  ASSERT_EQ(web_view_->AddScriptToExecuteOnDocumentCreated(L"bridge()", &second), S_OK);
  EXPECT_EQ(first.invocations + second.invocations, 0);
  EXPECT_EQ(first.references(), 2u);
  ASSERT_TRUE(pump_until([&] { return results.size() == 2; }));
  EXPECT_EQ(results, (std::vector<std::pair<HRESULT, std::wstring>>{{S_OK, L"1"}, {S_OK, L"2"}}));
  EXPECT_EQ(first.references(), 1u);
  EXPECT_EQ(web_view_->RemoveScriptToExecuteOnDocumentCreated(L"1"), S_OK);
  EXPECT_EQ(web_view_->RemoveScriptToExecuteOnDocumentCreated(L""), S_OK);
  EXPECT_EQ(api_.log_lines(),
            (std::vector<std::string>{
                "AddScriptToExecuteOnDocumentCreated 1 window.a = 1;\\nwindow.b = '\\\\';",
                "AddScriptToExecuteOnDocumentCreated 2 bridge()", "-> ScriptAdded 0x00000000 1",
                "-> ScriptAdded 0x00000000 2", "RemoveScriptToExecuteOnDocumentCreated 1",
                "RemoveScriptToExecuteOnDocumentCreated "}));
}

TEST_P(WebViewTest, UserScriptAddCanFailAtOnceOrInItsCompletion) {
  ScriptAddedHandler handler;
  std::vector<std::pair<HRESULT, bool>> results;
  handler.on_invoke = [&](HRESULT error, LPCWSTR id) {
    results.emplace_back(error, id != nullptr);
  };

  api_.set_fault("AddScriptToExecuteOnDocumentCreated", E_OUTOFMEMORY, 1);
  EXPECT_EQ(web_view_->AddScriptToExecuteOnDocumentCreated(L"a()", &handler), E_OUTOFMEMORY);
  EXPECT_EQ(handler.references(), 1u);
  EXPECT_EQ(api_.pending_callbacks(), 0);

  api_.set_fault("ScriptAdded", E_FAIL, 1);
  ASSERT_EQ(web_view_->AddScriptToExecuteOnDocumentCreated(L"b()", &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 1; }));
  EXPECT_EQ(results, (std::vector<std::pair<HRESULT, bool>>{{E_FAIL, false}}));
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{"AddScriptToExecuteOnDocumentCreated - a()",
                                                        "AddScriptToExecuteOnDocumentCreated 1 b()",
                                                        "-> ScriptAdded 0x80004005 (null)"}));
}

TEST_P(WebViewTest, ControllerCallsAreRecordedAndReadBack) {
  EXPECT_EQ(controller_->put_Bounds(RECT{1, 2, 300, 200}), S_OK);
  EXPECT_EQ(controller_->put_IsVisible(TRUE), S_OK);
  EXPECT_EQ(controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC), S_OK);
  EXPECT_EQ(controller_->put_IsVisible(FALSE), S_OK);
  RECT bounds = {};
  EXPECT_EQ(controller_->get_Bounds(&bounds), S_OK);
  EXPECT_EQ(bounds.left, 1);
  EXPECT_EQ(bounds.top, 2);
  EXPECT_EQ(bounds.right, 300);
  EXPECT_EQ(bounds.bottom, 200);
  BOOL visible = TRUE;
  EXPECT_EQ(controller_->get_IsVisible(&visible), S_OK);
  EXPECT_EQ(visible, FALSE);
  EXPECT_EQ(controller_->get_IsVisible(nullptr), E_POINTER);
  EXPECT_EQ(api_.program_calls(),
            (std::vector<std::string>{"put_Bounds 1 2 300 200", "put_IsVisible 1", "MoveFocus 0",
                                      "put_IsVisible 0", "get_Bounds", "get_IsVisible",
                                      "get_IsVisible"}));
}

TEST_P(WebViewTest, MethodsTheProgramDoesNotUseAreRecordedAndMayBeUnimplemented) {
  EXPECT_EQ(
      web_view_->CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG, nullptr, nullptr),
      E_NOTIMPL);
  EXPECT_EQ(web_view_->AddHostObjectToScript(L"host", nullptr), E_NOTIMPL);
  EXPECT_EQ(web_view_->AddWebResourceRequestedFilter(L"https://a b/*",
                                                     COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE),
            S_OK);
  EXPECT_EQ(web_view_->Reload(), S_OK);
  EXPECT_EQ(controller_->SetBoundsAndZoomFactor(RECT{0, 0, 10, 20}, 1.5), S_OK);
  double zoom = 0;
  EXPECT_EQ(controller_->get_ZoomFactor(&zoom), S_OK);
  EXPECT_EQ(zoom, 1.5);
  EXPECT_EQ(api_.program_calls(),
            (std::vector<std::string>{"CapturePreview 1 null", "AddHostObjectToScript host null",
                                      "AddWebResourceRequestedFilter https://a\\x20b/* 3", "Reload",
                                      "SetBoundsAndZoomFactor 0 0 10 20 1.5", "get_ZoomFactor"}));
}

INSTANTIATE_TEST_SUITE_P(Flavours, WebViewTest, testing::Values(Flavour::loader, Flavour::runtime),
                         flavour_name);

} // namespace
} // namespace wv2d_test
