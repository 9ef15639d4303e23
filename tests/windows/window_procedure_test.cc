// The engine's main window when the host's message hook throws: the message is answered, the
// process and the window go on, whether the message was sent or came through the engine's loop.
// The runtime double is the loader library beside this executable.
#include "../webview2_double/webview2_double.h"

#include <webview/detail/backends/win32_edge_engine.hh>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using webview::detail::win32_edge_engine;

constexpr UINT probe = WM_APP + 77;

// Throws for the probe with wParam 1, answers it with 42 otherwise; counts the probes seen.
void install_throwing_hook(win32_edge_engine &engine, int &seen) {
  engine.set_main_window_hook([&seen](UINT msg, WPARAM wp, LPARAM, LRESULT *result) {
    if (msg != probe) {
      return false;
    }
    ++seen;
    if (wp == 1) {
      throw std::runtime_error("the hook failed");
    }
    *result = 42;
    return true;
  });
}

class WindowProcedure : public testing::Test {
protected:
  void SetUp() override {
    api = wv2d::Api::load(LoadLibraryW(L"WebView2Loader.dll"));
    ASSERT_TRUE(api.valid()) << "the double is not beside the executable";
    api.reset();
  }
  wv2d::Api api;
};

TEST_F(WindowProcedure, AnExceptionFromTheHookAnswersTheSentMessageWithZero) {
  win32_edge_engine engine(false, nullptr);
  int seen = 0;
  install_throwing_hook(engine, seen);
  const HWND window = static_cast<HWND>(engine.get_window().value());
  EXPECT_EQ(SendMessageW(window, probe, 1, 0), 0);
  EXPECT_EQ(SendMessageW(window, probe, 2, 0), 42) << "the window answers the next message";
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowProcedure, AnExceptionFromTheHookLeavesTheLoopRunning) {
  win32_edge_engine engine(false, nullptr);
  int seen = 0;
  install_throwing_hook(engine, seen);
  const HWND window = static_cast<HWND>(engine.get_window().value());
  ASSERT_TRUE(PostMessageW(window, probe, 1, 0));
  ASSERT_TRUE(PostMessageW(window, probe, 2, 0));
  // Queued after both probes: the loop reaches it only when it dispatched them and went on.
  engine.dispatch([&engine] { engine.terminate(); });
  engine.run();
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(IsWindow(window));
}

} // namespace
