#include "callback_queue.hh"

#include "module.hh"

#include <cwchar>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace wv2d {
namespace {

constexpr UINT_PTR kTimerId = 1;

struct Pending {
  DWORD thread;
  // 0 for a callback announced by a posted message; otherwise the tick count it is due at.
  ULONGLONG due;
  std::function<void()> callback;
};

struct Queue {
  std::mutex mutex;
  std::map<UINT64, Pending> pending; // by queueing order
  std::map<DWORD, HWND> windows;     // message window of each thread
  UINT64 next_id = 1;
  UINT run_message = 0;   // "run the callback whose id is in lParam"
  UINT timer_message = 0; // "a delayed callback is due now"
  ATOM window_class = 0;
};

// Never destroyed: windows of the double may still receive messages while static objects are
// torn down.
Queue &queue() {
  static Queue *instance = new Queue;
  return *instance;
}

// The earliest delayed callback of `thread` (caller holds the lock).
std::map<UINT64, Pending>::iterator earliest_delayed(Queue &q, DWORD thread) {
  auto earliest = q.pending.end();
  for (auto it = q.pending.begin(); it != q.pending.end(); ++it) {
    if (it->second.thread == thread && it->second.due != 0 &&
        (earliest == q.pending.end() || it->second.due < earliest->second.due)) {
      earliest = it;
    }
  }
  return earliest;
}

// Sets the window's timer (or posts a wake-up) for the earliest delayed callback of its thread
// (caller holds the lock; `window` belongs to the calling thread).
void arm_timer(Queue &q, HWND window) {
  const auto earliest = earliest_delayed(q, GetCurrentThreadId());
  if (earliest == q.pending.end()) {
    KillTimer(window, kTimerId);
    return;
  }
  const ULONGLONG now = GetTickCount64();
  if (earliest->second.due <= now) {
    KillTimer(window, kTimerId);
    PostMessageW(window, q.timer_message, 0, 0);
  } else {
    SetTimer(window, kTimerId, static_cast<UINT>(earliest->second.due - now), nullptr);
  }
}

// Removes and returns the callback to run for a message of the window (caller holds the lock).
std::optional<std::function<void()>> take_due(Queue &q, HWND window, UINT message, LPARAM id) {
  if (message == q.run_message) {
    const auto found = q.pending.find(static_cast<UINT64>(id));
    if (found == q.pending.end()) {
      return std::nullopt;
    }
    std::function<void()> callback = std::move(found->second.callback);
    q.pending.erase(found);
    return callback;
  }
  // Timer or wake-up: run the earliest delayed callback if it is due, one per message, so that
  // a callback that runs a nested message loop does not reorder the rest.
  const auto earliest = earliest_delayed(q, GetCurrentThreadId());
  std::optional<std::function<void()>> callback;
  if (earliest != q.pending.end() && earliest->second.due <= GetTickCount64()) {
    callback = std::move(earliest->second.callback);
    q.pending.erase(earliest);
  }
  arm_timer(q, window);
  return callback;
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Queue &q = queue();
  if (message == q.run_message || message == q.timer_message ||
      (message == WM_TIMER && wparam == kTimerId)) {
    std::optional<std::function<void()>> callback;
    {
      std::lock_guard<std::mutex> lock(q.mutex);
      callback = take_due(q, window, message, lparam);
    }
    if (callback && *callback) {
      (*callback)();
    }
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The class name includes the module address: the loader and the runtime library of the double
// may both be loaded in one process, each with its own window procedure.
const wchar_t *class_name() {
  static wchar_t name[64];
  if (!name[0]) {
    std::swprintf(name, 64, L"WebView2DoubleCallbacks_%p", static_cast<void *>(this_module()));
  }
  return name;
}

// The message window of the calling thread, created on first use (caller holds the lock).
HWND thread_window(Queue &q) {
  const DWORD thread = GetCurrentThreadId();
  const auto found = q.windows.find(thread);
  if (found != q.windows.end() && IsWindow(found->second)) {
    return found->second;
  }
  pin_this_module();
  if (!q.window_class) {
    q.run_message = RegisterWindowMessageW(L"WebView2Double.RunCallback");
    q.timer_message = RegisterWindowMessageW(L"WebView2Double.CallbackDue");
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = this_module();
    window_class.lpszClassName = class_name();
    q.window_class = RegisterClassExW(&window_class);
  }
  HWND window = CreateWindowExW(0, class_name(), L"WebView2 double", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, this_module(), nullptr);
  q.windows[thread] = window;
  return window;
}

} // namespace

void queue_callback(std::function<void()> callback, DWORD delay_ms) {
  Queue &q = queue();
  std::lock_guard<std::mutex> lock(q.mutex);
  HWND window = thread_window(q);
  const UINT64 id = q.next_id++;
  const ULONGLONG due = delay_ms == 0 ? 0 : GetTickCount64() + delay_ms;
  q.pending.emplace(id, Pending{GetCurrentThreadId(), due, std::move(callback)});
  if (due == 0) {
    PostMessageW(window, q.run_message, 0, static_cast<LPARAM>(id));
  } else {
    arm_timer(q, window);
  }
}

long pending_callbacks() {
  Queue &q = queue();
  std::lock_guard<std::mutex> lock(q.mutex);
  return static_cast<long>(q.pending.size());
}

void drop_callbacks() {
  std::map<UINT64, Pending> dropped;
  {
    Queue &q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    dropped.swap(q.pending);
  }
  // Destroyed here, outside the lock: releasing what a callback holds may call back into the
  // double.
}

} // namespace wv2d
