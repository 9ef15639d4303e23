// Pages that open windows and ask to close theirs: NewWindowRequested with its arguments and how
// the request settles, and WindowCloseRequested.

#include "double_client.hh"

#include <algorithm>

namespace wv2d_test {
namespace {

using Args = wv2d::ICoreWebView2NewWindowRequestedEventArgs;

const wchar_t document_uri[] = L"https://office.example.test/suite/editor/?d=7";

// The opener's web view, and a handler that keeps the arguments (and a deferral when `defer` is
// set) for the test to act on after the raise, as a program that creates its window later does.
class NewWindowTest : public DoubleTest {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DoubleTest::SetUp());
    windows_ = std::make_unique<TestWindows>();
    ASSERT_NO_FATAL_FAILURE(make_environment(environment_));
    ASSERT_NO_FATAL_FAILURE(
        make_controller(environment_.get(), windows_->child(), controller_, opener_));
    handler_.on_invoke = [this](ICoreWebView2 *, ICoreWebView2NewWindowRequestedEventArgs *args) {
      args_.assign(reinterpret_cast<Args *>(args));
      if (defer) {
        EXPECT_EQ(args_->GetDeferral(deferral_.put()), S_OK);
      }
      if (decide) {
        decide(args_.get());
      }
    };
    EventRegistrationToken token;
    ASSERT_EQ(opener_->add_NewWindowRequested(&handler_, &token), S_OK);
  }
  void TearDown() override {
    deferral_.reset();
    args_.reset();
    new_controller_.reset();
    new_web_view_.reset();
    opener_.reset();
    controller_.reset();
    environment_.reset();
    new_windows_.reset();
    windows_.reset();
    DoubleTest::TearDown();
  }

  // The program's new window: a web view of the opener's environment.
  void make_new_window() {
    new_windows_ = std::make_unique<TestWindows>();
    ASSERT_NO_FATAL_FAILURE(
        make_controller(environment_.get(), new_windows_->child(), new_controller_, new_web_view_));
  }

  // The lines from the first one that starts with `head` on.
  std::vector<std::string> lines_from(const std::string &head) {
    const auto lines = api_.log_lines();
    const auto first = std::find_if(lines.begin(), lines.end(), [&](const std::string &line) {
      return line.rfind(head, 0) == 0;
    });
    return std::vector<std::string>(first, lines.end());
  }

  bool defer = false;
  std::function<void(Args *)> decide;
  NewWindowHandler handler_;
  // Handlers of the web views, which live until TearDown.
  WindowCloseHandler close_handler_;
  NavigationStartingHandler starting_;
  ContentLoadingHandler loading_;
  NavigationHandler completed_;
  ScriptDialogHandler dialog_;
  std::unique_ptr<TestWindows> windows_;
  std::unique_ptr<TestWindows> new_windows_;
  Ref<ICoreWebView2Environment> environment_;
  Ref<ICoreWebView2Controller> controller_;
  Ref<ICoreWebView2> opener_;
  Ref<ICoreWebView2Controller> new_controller_;
  Ref<ICoreWebView2> new_web_view_;
  Ref<Args> args_;
  Ref<ICoreWebView2Deferral> deferral_;
};

// The program's way: defer, make the window, turn default dialogs off, give its web view, mark
// the request handled, complete. The given web view then loads the address from the loop, with
// the dialog setting read for that document.
TEST_P(NewWindowTest, DeferredRequestLoadsTheTargetInTheGivenWebView) {
  defer = true;
  EXPECT_EQ(api_.wv2d_raise_new_window(document_uri, nullptr), 1);
  ASSERT_NE(args_.get(), nullptr);
  CoTaskText uri;
  BOOL user = FALSE;
  EXPECT_EQ(args_->get_Uri(uri.put()), S_OK);
  EXPECT_EQ(uri.str(), document_uri);
  EXPECT_EQ(args_->get_IsUserInitiated(&user), S_OK);
  EXPECT_EQ(user, TRUE);

  ASSERT_NO_FATAL_FAILURE(make_new_window());
  std::vector<std::wstring> order;
  starting_.on_invoke = [&](ICoreWebView2 *, ICoreWebView2NavigationStartingEventArgs *args) {
    CoTaskText address;
    EXPECT_EQ(args->get_Uri(address.put()), S_OK);
    order.push_back(L"starting " + address.str());
  };
  loading_.on_invoke = [&](ICoreWebView2 *, ICoreWebView2ContentLoadingEventArgs *) {
    order.push_back(L"content");
  };
  completed_.on_invoke = [&](ICoreWebView2 *, ICoreWebView2NavigationCompletedEventArgs *args) {
    BOOL success = FALSE;
    EXPECT_EQ(args->get_IsSuccess(&success), S_OK);
    order.push_back(success ? L"completed" : L"failed");
  };
  EventRegistrationToken token;
  ASSERT_EQ(new_web_view_->add_NavigationStarting(&starting_, &token), S_OK);
  ASSERT_EQ(new_web_view_->add_ContentLoading(&loading_, &token), S_OK);
  ASSERT_EQ(new_web_view_->add_NavigationCompleted(&completed_, &token), S_OK);
  ASSERT_EQ(new_web_view_->add_ScriptDialogOpening(&dialog_, &token), S_OK);
  Ref<ICoreWebView2Settings> settings;
  ASSERT_EQ(new_web_view_->get_Settings(settings.put()), S_OK);
  ASSERT_EQ(settings->put_AreDefaultScriptDialogsEnabled(FALSE), S_OK);

  EXPECT_EQ(args_->put_NewWindow(new_web_view_.get()), S_OK);
  EXPECT_EQ(args_->put_Handled(TRUE), S_OK);
  Ref<ICoreWebView2> given;
  EXPECT_EQ(args_->get_NewWindow(given.put()), S_OK);
  EXPECT_EQ(given.get(), new_web_view_.get());
  EXPECT_TRUE(lines_from("-> NewWindowOpened").empty()) << "settled before Complete";

  api_.clear_log();
  EXPECT_EQ(deferral_->Complete(), S_OK);
  EXPECT_EQ(deferral_->Complete(), E_UNEXPECTED);
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{
                                  "Complete",
                                  "-> NewWindowOpened " + wv2d::handle_text(new_windows_->child()) +
                                      " https://office.example.test/suite/editor/?d=7",
                                  "Complete"}));
  EXPECT_TRUE(order.empty()) << "the load starts from the loop";
  ASSERT_TRUE(pump_until([&] { return order.size() == 3; }));
  EXPECT_EQ(order,
            (std::vector<std::wstring>{L"starting https://office.example.test/suite/editor/?d=7",
                                       L"content", L"completed"}));
  CoTaskText source;
  EXPECT_EQ(new_web_view_->get_Source(source.put()), S_OK);
  EXPECT_EQ(source.str(), document_uri);
  EXPECT_EQ(api_.wv2d_raise_script_dialog(COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT, L"hi"), 1)
      << "the new document was loaded with default dialogs off";
}

// Without a deferral the request settles as the handlers return. Handled alone: the opener's
// window loads nothing; nothing set: WebView2's own popup; a NewWindow without Handled: the given
// web view and an extra popup.
TEST_P(NewWindowTest, OutcomesOfTheHandlersDecision) {
  decide = [](Args *args) { EXPECT_EQ(args->put_Handled(TRUE), S_OK); };
  EXPECT_EQ(api_.wv2d_raise_new_window(L"https://elsewhere.test/a", nullptr), 1);
  decide = nullptr;
  EXPECT_EQ(api_.wv2d_raise_new_window(L"https://elsewhere.test/b", nullptr), 1);
  EXPECT_EQ(lines_from("-> NewWindowHandled"), (std::vector<std::string>{
                                                   "-> NewWindowHandled https://elsewhere.test/a",
                                                   "-> NewWindowRequested https://elsewhere.test/b",
                                                   "-> DefaultPopup https://elsewhere.test/b",
                                               }));

  defer = true;
  EXPECT_EQ(api_.wv2d_raise_new_window(L"https://elsewhere.test/c", nullptr), 1);
  ASSERT_NO_FATAL_FAILURE(make_new_window());
  EXPECT_EQ(args_->put_NewWindow(new_web_view_.get()), S_OK);
  EXPECT_EQ(deferral_->Complete(), S_OK);
  EXPECT_EQ(
      lines_from("-> NewWindowOpened"),
      (std::vector<std::string>{"-> NewWindowOpened " + wv2d::handle_text(new_windows_->child()) +
                                    " https://elsewhere.test/c",
                                "# NewWindow without Handled: WebView2 opens its own popup too",
                                "-> DefaultPopup https://elsewhere.test/c"}));
}

// Only an unnavigated web view of the opener's environment, and only once.
TEST_P(NewWindowTest, PutNewWindowRefusesWhatCannotBecomeTheWindow) {
  defer = true;
  EXPECT_EQ(api_.wv2d_raise_new_window(document_uri, nullptr), 1);
  TestWindows other_windows;
  Ref<ICoreWebView2Controller> elsewhere_controller, navigated_controller;
  Ref<ICoreWebView2> elsewhere, navigated;
  ASSERT_NO_FATAL_FAILURE(make_web_view(other_windows.child(), elsewhere_controller, elsewhere));
  ASSERT_NO_FATAL_FAILURE(
      make_controller(environment_.get(), other_windows.top(), navigated_controller, navigated));
  ASSERT_EQ(navigated->Navigate(L"https://office.example.test/"), S_OK);
  ASSERT_NO_FATAL_FAILURE(make_new_window());
  api_.clear_log();
  EXPECT_EQ(args_->put_NewWindow(elsewhere.get()), E_INVALIDARG);
  EXPECT_EQ(args_->put_NewWindow(navigated.get()), E_INVALIDARG);
  EXPECT_EQ(args_->put_NewWindow(new_web_view_.get()), S_OK);
  EXPECT_EQ(args_->put_NewWindow(new_web_view_.get()), E_UNEXPECTED);
  EXPECT_EQ(api_.log_lines(),
            (std::vector<std::string>{
                "put_NewWindow set", "# NewWindow refused: a web view of another environment",
                "put_NewWindow set", "# NewWindow refused: the web view has been navigated",
                "put_NewWindow set", "put_NewWindow set", "# NewWindow refused: set already"}));
}

struct Features {
  BOOL has_position, has_size;
  UINT32 left, top, width, height;
  BOOL menu_bar, status, toolbar, scroll_bars;
  bool operator==(const Features &o) const {
    return has_position == o.has_position && has_size == o.has_size && left == o.left &&
           top == o.top && width == o.width && height == o.height && menu_bar == o.menu_bar &&
           status == o.status && toolbar == o.toolbar && scroll_bars == o.scroll_bars;
  }
};

// window.open's feature text as the program reads it: a position or size makes a popup-style
// request, whose bars are all off; sizes are at least 100.
TEST_P(NewWindowTest, WindowFeaturesFromTheFeatureText) {
  Features seen = {};
  decide = [&](Args *args) {
    Ref<wv2d::ICoreWebView2WindowFeatures> features;
    ASSERT_EQ(args->get_WindowFeatures(features.put()), S_OK);
    features->get_HasPosition(&seen.has_position);
    features->get_HasSize(&seen.has_size);
    features->get_Left(&seen.left);
    features->get_Top(&seen.top);
    features->get_Width(&seen.width);
    features->get_Height(&seen.height);
    features->get_ShouldDisplayMenuBar(&seen.menu_bar);
    features->get_ShouldDisplayStatus(&seen.status);
    features->get_ShouldDisplayToolbar(&seen.toolbar);
    features->get_ShouldDisplayScrollBars(&seen.scroll_bars);
  };
  api_.wv2d_raise_new_window(document_uri, L"left=10,top=20,width=400,height=300");
  EXPECT_EQ(seen, (Features{TRUE, TRUE, 10, 20, 400, 300, FALSE, FALSE, FALSE, FALSE}));
  api_.wv2d_raise_new_window(document_uri, L"WIDTH=50 , menubar=yes, left=x");
  EXPECT_EQ(seen, (Features{FALSE, TRUE, 0, 0, 100, 100, FALSE, FALSE, FALSE, FALSE}));
  api_.wv2d_raise_new_window(document_uri, nullptr);
  EXPECT_EQ(seen, (Features{FALSE, FALSE, 0, 0, 0, 0, TRUE, TRUE, TRUE, TRUE}));
}

TEST_P(NewWindowTest, WindowCloseRequestReachesTheHandlers) {
  ICoreWebView2 *sender = nullptr;
  IUnknown *arguments = reinterpret_cast<IUnknown *>(1);
  close_handler_.on_invoke = [&](ICoreWebView2 *s, IUnknown *a) {
    sender = s;
    arguments = a;
  };
  EventRegistrationToken token;
  ASSERT_EQ(opener_->add_WindowCloseRequested(&close_handler_, &token), S_OK);
  api_.clear_log();
  EXPECT_EQ(api_.wv2d_raise_window_close_requested(), 1);
  EXPECT_EQ(sender, opener_.get());
  EXPECT_EQ(arguments, nullptr);
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{"-> WindowCloseRequested"}));
  EXPECT_EQ(opener_->remove_WindowCloseRequested(token), S_OK);
  EXPECT_EQ(api_.wv2d_raise_window_close_requested(), 0);
}

// Both requests as scripted actions, run from the loop after their trigger.
TEST_P(NewWindowTest, ScriptedRequests) {
  EventRegistrationToken token;
  ASSERT_EQ(opener_->add_WindowCloseRequested(&close_handler_, &token), S_OK);
  UINT32 width = 0;
  decide = [&](Args *args) {
    Ref<wv2d::ICoreWebView2WindowFeatures> features;
    ASSERT_EQ(args->get_WindowFeatures(features.put()), S_OK);
    features->get_Width(&width);
  };
  ASSERT_EQ(api_.configure("on=Navigate#1 new_window https://pop.test/?a=1 width=420,height=300\n"
                           "on=Navigate#1 +50 window_close_requested\n"),
            0);
  ASSERT_EQ(opener_->Navigate(L"https://office.example.test/"), S_OK);
  EXPECT_EQ(handler_.invocations, 0);
  ASSERT_TRUE(pump_until([&] { return close_handler_.invocations == 1; }));
  EXPECT_EQ(handler_.invocations, 1);
  EXPECT_EQ(width, 420u);
  EXPECT_EQ(lines_from("-> NewWindowRequested"),
            (std::vector<std::string>{
                "-> NewWindowRequested https://pop.test/?a=1", "get_WindowFeatures", "get_Width",
                "-> DefaultPopup https://pop.test/?a=1", "-> WindowCloseRequested"}));
}

INSTANTIATE_TEST_SUITE_P(Flavours, NewWindowTest,
                         testing::Values(Flavour::loader, Flavour::runtime), flavour_name);

} // namespace
} // namespace wv2d_test
