// The engine's nested wait for the browser, under Wine: it ends at its deadline even while
// messages keep arriving.
#include <webview/detail/backends/win32_message_wait.hh>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using webview::detail::wait_for_messages;
using webview::detail::wait_outcome;

// A message window that posts its message to itself again each time it receives it, until
// `stop_after` has passed (so that a wait that misses its deadline still ends, late).
struct self_reposting_window {
  static constexpr UINT message = WM_APP + 7;
  static std::chrono::steady_clock::time_point stop_at;
  static long received;

  static LRESULT CALLBACK procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == message) {
      ++received;
      if (std::chrono::steady_clock::now() < stop_at) {
        PostMessageW(window, message, 0, 0);
      }
      return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
  }

  explicit self_reposting_window(std::chrono::milliseconds stop_after) {
    WNDCLASSW c{};
    c.lpfnWndProc = procedure;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"self_reposting_window";
    RegisterClassW(&c);
    handle = CreateWindowExW(0, c.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             c.hInstance, nullptr);
    stop_at = std::chrono::steady_clock::now() + stop_after;
    received = 0;
    PostMessageW(handle, message, 0, 0);
  }
  ~self_reposting_window() { DestroyWindow(handle); }

  HWND handle = nullptr;
};
std::chrono::steady_clock::time_point self_reposting_window::stop_at;
long self_reposting_window::received = 0;

TEST(MessageWait, EndsAtItsDeadlineWhileMessagesKeepComing) {
  const self_reposting_window stream(std::chrono::milliseconds(8000));
  ASSERT_NE(stream.handle, nullptr);
  int quit_code = 0;
  const auto start = std::chrono::steady_clock::now();
  const wait_outcome outcome =
      wait_for_messages([] { return false; }, std::chrono::milliseconds(300), quit_code);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(outcome, wait_outcome::timed_out);
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  EXPECT_LT(waited, std::chrono::milliseconds(2000)) << "the stream of messages kept it going";
  EXPECT_GT(self_reposting_window::received, 10) << "messages were dispatched during the wait";
}

} // namespace
