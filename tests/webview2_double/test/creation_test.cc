// Creating the environment and the controller through either module: the answers arrive later
// from the message loop, and every failure the program must handle can be provoked.

#include "double_client.hh"

#include <thread>

namespace wv2d_test {
namespace {

constexpr HRESULT kInvalidState = static_cast<HRESULT>(0x8007139F);

using CreationTest = DoubleTest;

TEST_P(CreationTest, EnvironmentArrivesLaterFromTheMessageLoopOfTheCallingThread) {
  EnvironmentHandler handler;
  Ref<ICoreWebView2Environment> environment;
  HRESULT result = E_FAIL;
  handler.on_invoke = [&](HRESULT r, ICoreWebView2Environment *created) {
    result = r;
    environment.assign(created);
  };

  ASSERT_EQ(create_environment(L"C:\\users\\root\\AppData\\Roaming\\office.exe", handler), S_OK);
  EXPECT_EQ(handler.invocations, 0); // never inside the creating call
  EXPECT_EQ(handler.references(), 2u);
  EXPECT_EQ(api_.pending_callbacks(), 1);
  EXPECT_EQ(api_.program_calls(), std::vector<std::string>{creation_line(
                                      "C:\\\\users\\\\root\\\\AppData\\\\Roaming\\\\office.exe")});

  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(handler.invocations, 1);
  EXPECT_EQ(handler.invoking_thread, GetCurrentThreadId());
  EXPECT_EQ(result, S_OK);
  ASSERT_NE(environment.get(), nullptr);
  EXPECT_EQ(handler.references(), 1u); // released once delivered
  EXPECT_EQ(api_.pending_callbacks(), 0);
  EXPECT_EQ(api_.log_lines().back(), "-> EnvironmentCompleted 0x00000000 set");

  CoTaskText version;
  EXPECT_EQ(environment->get_BrowserVersionString(version.put()), S_OK);
  EXPECT_EQ(version.str(), L"" WV2D_RUNTIME_VERSION);
  EXPECT_EQ(api_.live_objects(), 1);
  environment.reset();
  EXPECT_EQ(api_.live_objects(), 0);
}

TEST_P(CreationTest, APlainGetMessageLoopDeliversEnvironmentAndController) {
  TestWindows windows;
  EnvironmentHandler environment_handler;
  ControllerHandler controller_handler;
  Ref<ICoreWebView2Controller> controller;
  environment_handler.on_invoke = [&](HRESULT, ICoreWebView2Environment *environment) {
    EXPECT_EQ(environment->CreateCoreWebView2Controller(windows.child(), &controller_handler),
              S_OK);
    EXPECT_EQ(controller_handler.invocations, 0);
  };
  controller_handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *created) {
    EXPECT_EQ(result, S_OK);
    controller.assign(created);
    PostQuitMessage(0);
  };
  ASSERT_EQ(create_environment(L"C:\\profile", environment_handler), S_OK);

  const UINT_PTR guard = SetTimer(nullptr, 0, 5000, nullptr); // ends the loop if nothing comes
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == guard) {
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, guard);

  EXPECT_EQ(environment_handler.invocations, 1);
  EXPECT_EQ(controller_handler.invocations, 1);
  ASSERT_NE(controller.get(), nullptr);
  EXPECT_EQ(api_.program_calls(),
            (std::vector<std::string>{creation_line("C:\\\\profile"),
                                      "CreateCoreWebView2Controller " +
                                          wv2d::handle_text(windows.child())}));
}

TEST_P(CreationTest, CreationNeedsASingleThreadedApartment) {
  EnvironmentHandler handler;
  HRESULT without_com = S_OK;
  HRESULT multithreaded = S_OK;
  std::thread([&] { without_com = create_environment(L"C:\\profile", handler); }).join();
  std::thread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    multithreaded = create_environment(L"C:\\profile", handler);
    CoUninitialize();
  }).join();
  EXPECT_EQ(without_com, CO_E_NOTINITIALIZED);
  EXPECT_EQ(multithreaded, RPC_E_CHANGED_MODE);
  EXPECT_EQ(api_.pending_callbacks(), 0);
  EXPECT_EQ(handler.references(), 1u);
}

TEST_P(CreationTest, RefusesCreationAGivenNumberOfTimes) {
  EnvironmentHandler handler;
  api_.set_fault(creation_name().c_str(), E_ACCESSDENIED, 2);
  EXPECT_EQ(create_environment(L"C:\\profile", handler), E_ACCESSDENIED);
  EXPECT_EQ(create_environment(L"C:\\profile", handler), E_ACCESSDENIED);
  EXPECT_EQ(api_.pending_callbacks(), 0);
  EXPECT_EQ(handler.references(), 1u); // a refused request does not keep the handler
  EXPECT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(handler.invocations, 1);
  EXPECT_EQ(api_.program_calls().size(), 3u);
}

TEST_P(CreationTest, RefusesCreationEveryTime) {
  EnvironmentHandler handler;
  api_.set_fault(creation_name().c_str(), E_FAIL, -1);
  for (int attempt = 0; attempt < 5; ++attempt) {
    EXPECT_EQ(create_environment(L"C:\\profile", handler), E_FAIL);
  }
  EXPECT_EQ(api_.program_calls().size(), 5u);
}

TEST_P(CreationTest, InvalidStateAnswerIsNeverFollowedByACompletion) {
  EnvironmentHandler handler;
  api_.set_fault(creation_name().c_str(), kInvalidState, 1);
  EXPECT_EQ(create_environment(L"C:\\profile", handler), kInvalidState);
  pump_for(300);
  EXPECT_EQ(handler.invocations, 0);
  EXPECT_EQ(handler.references(), 1u);
}

TEST_P(CreationTest, AcceptedButNeverCompletedWhenTheFaultIsASuccessCode) {
  EnvironmentHandler handler;
  api_.set_fault(creation_name().c_str(), S_OK, 1);
  EXPECT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  pump_for(300);
  EXPECT_EQ(handler.invocations, 0);
  EXPECT_EQ(api_.pending_callbacks(), 0);
}

TEST_P(CreationTest, CompletesTheEnvironmentHandlerWithAFailureAGivenNumberOfTimes) {
  EnvironmentHandler handler;
  std::vector<std::pair<HRESULT, bool>> results;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Environment *environment) {
    results.emplace_back(result, environment != nullptr);
  };
  api_.set_fault("EnvironmentCompleted", E_FAIL, 1);
  ASSERT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  ASSERT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 2; }));
  EXPECT_EQ(results, (std::vector<std::pair<HRESULT, bool>>{{E_FAIL, false}, {S_OK, true}}));
  const auto lines = api_.log_lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "-> EnvironmentCompleted 0x80004005 null"),
            lines.end());
}

TEST_P(CreationTest, RejectsANullHandler) {
  if (GetParam() == Flavour::loader) {
    auto create = reinterpret_cast<webview::detail::CreateCoreWebView2EnvironmentWithOptions_t>(
        reinterpret_cast<void *>(
            GetProcAddress(module_, "CreateCoreWebView2EnvironmentWithOptions")));
    EXPECT_EQ(create(nullptr, L"C:\\profile", nullptr, nullptr), E_POINTER);
  } else {
    auto create = reinterpret_cast<webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t>(
        reinterpret_cast<void *>(
            GetProcAddress(module_, "CreateWebViewEnvironmentWithOptionsInternal")));
    EXPECT_EQ(create(1, 0, L"C:\\profile", nullptr, nullptr), E_POINTER);
  }
  EXPECT_EQ(api_.pending_callbacks(), 0);
}

// Microsoft's loader sets only the low byte of the first argument; the upper bytes of the
// register are whatever was there before.
TEST_P(CreationTest, ClientLibraryReadsItsFirstArgumentAsOneByte) {
  if (GetParam() == Flavour::loader) {
    GTEST_SKIP() << "the loader's entry point has no such argument";
  }
  auto create = reinterpret_cast<webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t>(
      reinterpret_cast<void *>(
          GetProcAddress(module_, "CreateWebViewEnvironmentWithOptionsInternal")));
  EnvironmentHandler handler;
  ASSERT_EQ(create(static_cast<int>(0x7A3C5E01), 0, L"C:\\profile", nullptr, &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(api_.program_calls(),
            (std::vector<std::string>{"CreateWebViewEnvironmentWithOptionsInternal 1 0 "
                                      "C:\\\\profile null"}));
}

TEST_P(CreationTest, ControllerArrivesLaterWithItsWebView) {
  TestWindows windows;
  ControllerHandler handler;
  Ref<ICoreWebView2Environment> environment;
  Ref<ICoreWebView2Controller> controller;
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));
  api_.clear_log();
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *created) {
    EXPECT_EQ(result, S_OK);
    controller.assign(created);
  };

  ASSERT_EQ(environment->CreateCoreWebView2Controller(windows.child(), &handler), S_OK);
  EXPECT_EQ(handler.invocations, 0);
  EXPECT_EQ(handler.references(), 2u);
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(handler.references(), 1u);
  ASSERT_NE(controller.get(), nullptr);
  EXPECT_EQ(api_.log_lines(), (std::vector<std::string>{"CreateCoreWebView2Controller " +
                                                            wv2d::handle_text(windows.child()),
                                                        "-> ControllerCompleted 0x00000000 set"}));

  Ref<ICoreWebView2> first;
  Ref<ICoreWebView2> second;
  ASSERT_EQ(controller->get_CoreWebView2(first.put()), S_OK);
  ASSERT_EQ(controller->get_CoreWebView2(second.put()), S_OK);
  ASSERT_NE(first.get(), nullptr);
  EXPECT_EQ(first.get(), second.get());
  HWND parent = nullptr;
  EXPECT_EQ(controller->get_ParentWindow(&parent), S_OK);
  EXPECT_EQ(parent, windows.child());
  // Environment, controller, web view and its settings.
  EXPECT_EQ(api_.live_objects(), 4);
}

TEST_P(CreationTest, ControllerCompletionFaults) {
  TestWindows windows;
  ControllerHandler handler;
  Ref<ICoreWebView2Environment> environment;
  std::vector<std::pair<HRESULT, bool>> results;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *controller) {
    results.emplace_back(result, controller != nullptr);
  };
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));
  api_.clear_log();

  api_.set_fault("ControllerCompleted", E_ABORT, 1);
  ASSERT_EQ(environment->CreateCoreWebView2Controller(windows.child(), &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 1; }));
  api_.set_fault("ControllerCompleted", S_OK, 1);
  ASSERT_EQ(environment->CreateCoreWebView2Controller(windows.child(), &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 2; }));

  EXPECT_EQ(results, (std::vector<std::pair<HRESULT, bool>>{{E_ABORT, false}, {S_OK, false}}));
  const auto lines = api_.log_lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "-> ControllerCompleted 0x80004004 null");
  EXPECT_EQ(lines[3], "-> ControllerCompleted 0x00000000 null");
  EXPECT_EQ(handler.references(), 1u);
  environment.reset();
  EXPECT_EQ(api_.live_objects(), 0);
}

TEST_P(CreationTest, ControllerRequestRefusedAbortedOrInvalid) {
  ControllerHandler handler;
  Ref<ICoreWebView2Environment> environment;
  std::vector<HRESULT> results;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *controller) {
    results.push_back(result);
    EXPECT_EQ(controller, nullptr);
  };
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));

  api_.set_fault("CreateCoreWebView2Controller", E_UNEXPECTED, 1);
  TestWindows windows;
  EXPECT_EQ(environment->CreateCoreWebView2Controller(windows.child(), &handler), E_UNEXPECTED);
  EXPECT_EQ(environment->CreateCoreWebView2Controller(nullptr, &handler), E_INVALIDARG);
  EXPECT_EQ(environment->CreateCoreWebView2Controller(windows.child(), nullptr), E_INVALIDARG);
  EXPECT_EQ(api_.pending_callbacks(), 0);

  // The parent window goes away before creation finishes.
  {
    TestWindows doomed;
    ASSERT_EQ(environment->CreateCoreWebView2Controller(doomed.child(), &handler), S_OK);
  }
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 1; }));
  EXPECT_EQ(results, std::vector<HRESULT>{E_ABORT});
}

TEST_P(CreationTest, MessageOnlyParentIsAccepted) {
  ControllerHandler handler;
  Ref<ICoreWebView2Environment> environment;
  Ref<ICoreWebView2Controller> controller;
  handler.on_invoke = [&](HRESULT result, ICoreWebView2Controller *created) {
    EXPECT_EQ(result, S_OK);
    controller.assign(created);
  };
  ASSERT_NO_FATAL_FAILURE(make_environment(environment));
  ASSERT_EQ(environment->CreateCoreWebView2Controller(HWND_MESSAGE, &handler), S_OK);
  ASSERT_TRUE(pump_until([&] { return handler.invocations == 1; }));
  EXPECT_NE(controller.get(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Flavours, CreationTest, testing::Values(Flavour::loader, Flavour::runtime),
                         flavour_name);

using VersionQueryTest = DoubleTest;

TEST_P(VersionQueryTest, ReportsTheRuntimeVersionOrNoRuntime) {
  auto query = reinterpret_cast<webview::detail::GetAvailableCoreWebView2BrowserVersionString_t>(
      reinterpret_cast<void *>(
          GetProcAddress(module_, "GetAvailableCoreWebView2BrowserVersionString")));
  ASSERT_NE(query, nullptr);
  CoTaskText version;

  EXPECT_EQ(query(nullptr, version.put()), S_OK);
  EXPECT_EQ(version.str(), L"" WV2D_RUNTIME_VERSION);

  api_.wv2d_set_browser_version(L"121.0.2277.83 beta");
  EXPECT_EQ(query(L"C:\\somewhere", version.put()), S_OK);
  EXPECT_EQ(version.str(), L"121.0.2277.83 beta");

  const HRESULT not_found = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  api_.set_fault("GetAvailableCoreWebView2BrowserVersionString", not_found, 1);
  EXPECT_EQ(query(nullptr, version.put()), not_found);
  EXPECT_EQ(version.get(), nullptr);

  api_.set_fault("GetAvailableCoreWebView2BrowserVersionString", S_OK, 1);
  EXPECT_EQ(query(nullptr, version.put()), S_OK);
  EXPECT_EQ(version.get(), nullptr);

  EXPECT_EQ(query(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(
      api_.program_calls(),
      (std::vector<std::string>{"GetAvailableCoreWebView2BrowserVersionString (null)",
                                "GetAvailableCoreWebView2BrowserVersionString C:\\\\somewhere",
                                "GetAvailableCoreWebView2BrowserVersionString (null)",
                                "GetAvailableCoreWebView2BrowserVersionString (null)",
                                "GetAvailableCoreWebView2BrowserVersionString (null)"}));
}

INSTANTIATE_TEST_SUITE_P(Loader, VersionQueryTest, testing::Values(Flavour::loader), flavour_name);

} // namespace
} // namespace wv2d_test
