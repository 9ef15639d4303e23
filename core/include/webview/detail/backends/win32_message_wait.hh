// A nested message loop with a deadline: the engine's waits for the browser's answers.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_MESSAGE_WAIT_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_MESSAGE_WAIT_HH

#include <windows.h>

#include <chrono>
#include <functional>

namespace webview {
namespace detail {

enum class wait_outcome { done, quit, timed_out };

// Dispatches the thread's messages until `done` holds, a WM_QUIT arrives (taken from the queue;
// its code in `quit_code`) or `limit` has passed. Idle time is spent blocked, not polling; the
// deadline is also checked after each message, since a steady stream (a timer, a message that
// posts itself again) may never leave the queue empty.
inline wait_outcome wait_for_messages(const std::function<bool()> &done,
                                      std::chrono::milliseconds limit, int &quit_code) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  MSG msg;
  for (;;) {
    while (!done() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit_code = static_cast<int>(msg.wParam);
        return wait_outcome::quit;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (std::chrono::steady_clock::now() >= deadline) {
        break;
      }
    }
    if (done()) {
      return wait_outcome::done;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return wait_outcome::timed_out;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()) + 1, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

} // namespace detail
} // namespace webview

#endif
