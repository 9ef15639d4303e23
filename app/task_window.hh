// A message-only window that runs tasks later, from the message loop: work that must not run
// inside a browser event or inside the window procedure of a window it destroys.
#ifndef ZORVEL_APP_TASK_WINDOW_HH
#define ZORVEL_APP_TASK_WINDOW_HH

#include <windows.h>

#include <functional>
#include <memory>

namespace zorvel {

class task_window {
public:
  task_window() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = class_name;
    RegisterClassExW(&wc); // already registered by an earlier instance: reused
    window_ = CreateWindowExW(0, class_name, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  }

  task_window(const task_window &) = delete;
  task_window &operator=(const task_window &) = delete;

  // Tasks still queued are dropped unrun.
  ~task_window() {
    if (window_ != nullptr) {
      drop_queued();
      DestroyWindow(window_);
    }
  }

  // Frees the tasks queued so far without running them.
  void drop_queued() {
    MSG msg;
    while (window_ != nullptr && PeekMessageW(&msg, window_, run_task, run_task, PM_REMOVE)) {
      delete reinterpret_cast<std::function<void()> *>(msg.lParam);
    }
  }

  // False when the task cannot be queued (it is then dropped).
  bool post(std::function<void()> task) {
    auto owned = std::make_unique<std::function<void()>>(std::move(task));
    if (window_ == nullptr ||
        !PostMessageW(window_, run_task, 0, reinterpret_cast<LPARAM>(owned.get()))) {
      return false;
    }
    owned.release(); // the window procedure owns it now
    return true;
  }

private:
  static constexpr const wchar_t *class_name = L"ZorvelOffice.Tasks";
  static constexpr UINT run_task = WM_APP + 7;

  static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != run_task || lp == 0) {
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    const std::unique_ptr<std::function<void()>> task(
        reinterpret_cast<std::function<void()> *>(lp));
    try {
      (*task)();
    } catch (...) {
      // One failing task must not end the program or the tasks after it.
    }
    return 0;
  }

  HWND window_ = nullptr;
};

} // namespace zorvel

#endif
