// COM rules for every object of the double: QueryInterface answers IUnknown and the object's own
// interface only, reference counts go up and down by one, and objects die at zero.

#include "double_client.hh"

namespace wv2d_test {
namespace {

// A published interface id that none of the double's objects implements (ICoreWebView2_2).
const IID kUnimplemented = webview::detail::guid_from_text("9E8F0CF8-E670-4B5E-B2BC-73E061E3184C");

// Checks the QueryInterface and AddRef/Release rules on `object`, whose interface is `own`.
void check_com_rules(IUnknown *object, REFIID own, const char *what) {
  SCOPED_TRACE(what);
  ASSERT_NE(object, nullptr);

  void *result = reinterpret_cast<void *>(1);
  EXPECT_EQ(object->QueryInterface(kUnimplemented, &result), E_NOINTERFACE);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(object->QueryInterface(own, nullptr), E_POINTER);
  const IID &other =
      IsEqualIID(own, IID_ICoreWebView2) ? IID_ICoreWebView2Controller : IID_ICoreWebView2;
  result = reinterpret_cast<void *>(1);
  EXPECT_EQ(object->QueryInterface(other, &result), E_NOINTERFACE);
  EXPECT_EQ(result, nullptr);

  const ULONG base = object->AddRef();
  EXPECT_GE(base, 2u);
  IUnknown *as_unknown = nullptr;
  ASSERT_EQ(object->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void **>(&as_unknown)),
            S_OK);
  EXPECT_EQ(as_unknown, object); // one interface: the same pointer
  void *as_own = nullptr;
  ASSERT_EQ(object->QueryInterface(own, &as_own), S_OK);
  EXPECT_EQ(as_own, object);
  EXPECT_EQ(object->AddRef(), base + 3);
  EXPECT_EQ(object->Release(), base + 2);
  EXPECT_EQ(as_unknown->Release(), base + 1);
  EXPECT_EQ(static_cast<IUnknown *>(as_own)->Release(), base);
  EXPECT_EQ(object->Release(), base - 1);
}

using ComRulesTest = DoubleTest;

TEST_P(ComRulesTest, EveryObjectFollowsTheRulesAndNoneOutlivesItsReferences) {
  WebMessageHandler message_handler;
  PermissionHandler permission_handler;
  NavigationHandler navigation_handler;
  TestWindows windows;
  {
    Ref<ICoreWebView2Environment> environment;
    ASSERT_NO_FATAL_FAILURE(make_environment(environment));
    check_com_rules(environment.get(), IID_ICoreWebView2Environment, "environment");
  }
  EXPECT_EQ(api_.live_objects(), 0);

  Ref<ICoreWebView2Controller> controller;
  Ref<ICoreWebView2> web_view;
  ASSERT_NO_FATAL_FAILURE(make_web_view(windows.child(), controller, web_view));
  check_com_rules(controller.get(), IID_ICoreWebView2Controller, "controller");
  check_com_rules(web_view.get(), IID_ICoreWebView2, "web view");
  {
    Ref<ICoreWebView2Settings> settings;
    ASSERT_EQ(web_view->get_Settings(settings.put()), S_OK);
    check_com_rules(settings.get(), IID_ICoreWebView2Settings, "settings");
  }

  message_handler.on_invoke = [](ICoreWebView2 *, ICoreWebView2WebMessageReceivedEventArgs *args) {
    check_com_rules(args, IID_ICoreWebView2WebMessageReceivedEventArgs, "web message args");
  };
  permission_handler.on_invoke = [](ICoreWebView2 *,
                                    ICoreWebView2PermissionRequestedEventArgs *args) {
    check_com_rules(args, IID_ICoreWebView2PermissionRequestedEventArgs, "permission args");
  };
  navigation_handler.on_invoke = [](ICoreWebView2 *,
                                    ICoreWebView2NavigationCompletedEventArgs *args) {
    check_com_rules(args, IID_ICoreWebView2NavigationCompletedEventArgs, "navigation args");
  };
  EventRegistrationToken token;
  ASSERT_EQ(web_view->add_WebMessageReceived(&message_handler, &token), S_OK);
  ASSERT_EQ(web_view->add_PermissionRequested(&permission_handler, &token), S_OK);
  ASSERT_EQ(web_view->add_NavigationCompleted(&navigation_handler, &token), S_OK);
  EXPECT_EQ(api_.wv2d_raise_web_message(L"m"), 1);
  EXPECT_EQ(api_.wv2d_raise_permission_requested(1, L"https://a.test/", nullptr), 1);
  EXPECT_EQ(api_.wv2d_raise_navigation_completed(TRUE, 0, nullptr), 1);

  // Controller, web view and settings; the event arguments are gone.
  EXPECT_EQ(api_.live_objects(), 3);
  web_view.reset();
  EXPECT_EQ(api_.live_objects(), 3); // the controller still holds its web view
  controller.reset();
  EXPECT_EQ(api_.live_objects(), 0);
  EXPECT_EQ(message_handler.references(), 1u);
  EXPECT_EQ(permission_handler.references(), 1u);
  EXPECT_EQ(navigation_handler.references(), 1u);
}

TEST_P(ComRulesTest, StringsAreAllocatedForTheCallerToFreeWithCoTaskMemFree) {
  TestWindows windows;
  Ref<ICoreWebView2Controller> controller;
  Ref<ICoreWebView2> web_view;
  ASSERT_NO_FATAL_FAILURE(make_web_view(windows.child(), controller, web_view));
  ASSERT_EQ(web_view->Navigate(L"https://office.example.test/"), S_OK);
  LPWSTR source = nullptr;
  ASSERT_EQ(web_view->get_Source(&source), S_OK);
  ASSERT_NE(source, nullptr);
  EXPECT_STREQ(source, L"https://office.example.test/");
  // Memory from CoTaskMemAlloc can be grown by CoTaskMemRealloc.
  source = static_cast<LPWSTR>(CoTaskMemRealloc(source, 4096));
  ASSERT_NE(source, nullptr);
  EXPECT_STREQ(source, L"https://office.example.test/");
  CoTaskMemFree(source);
  EXPECT_EQ(web_view->get_Source(nullptr), E_POINTER);
}

INSTANTIATE_TEST_SUITE_P(Flavours, ComRulesTest, testing::Values(Flavour::loader, Flavour::runtime),
                         flavour_name);

} // namespace
} // namespace wv2d_test
