// Drives a program from outside, as a user or the system would: starts it, finds its windows and
// message boxes, reads their texts, presses their buttons and waits for its exit code.
#ifndef TESTS_E2E_PROCESS_DRIVER_HH
#define TESTS_E2E_PROCESS_DRIVER_HH

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

class running_program {
public:
  // `command_line` holds the quoted program path and its arguments.
  running_program(const std::wstring &command_line, const std::wstring &directory) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = command_line;
    ok_ = CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                         directory.empty() ? nullptr : directory.c_str(), &si, &pi_) != 0;
  }
  running_program(const running_program &) = delete;
  running_program &operator=(const running_program &) = delete;
  ~running_program() {
    if (ok_) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
      }
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
  }

  bool started() const { return ok_; }
  DWORD id() const { return pi_.dwProcessId; }

  // The exit code, or -1 when the program is still running after `timeout_ms`.
  long wait(DWORD timeout_ms) const {
    if (WaitForSingleObject(pi_.hProcess, timeout_ms) != WAIT_OBJECT_0) {
      return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }

  // The visible top-level windows of this program with the given class, now.
  std::vector<HWND> windows(const wchar_t *class_name) const {
    struct search {
      DWORD pid;
      const wchar_t *cls;
      std::vector<HWND> found;
    } s{pi_.dwProcessId, class_name, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
          auto *s = reinterpret_cast<search *>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(h, &pid);
          wchar_t cls[64] = {};
          GetClassNameW(h, cls, 64);
          if (pid == s->pid && IsWindowVisible(h) && lstrcmpW(cls, s->cls) == 0) {
            s->found.push_back(h);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }

  int count_windows(const wchar_t *class_name) const {
    return static_cast<int>(windows(class_name).size());
  }

  // The first visible top-level window of this program with the given class, waiting up to
  // `timeout_ms` (null when none came, or the program ended).
  HWND find_window(const wchar_t *class_name, DWORD timeout_ms) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto found = windows(class_name);
      if (!found.empty()) {
        return found.front();
      }
      if (wait(0) != -1 || std::chrono::steady_clock::now() >= deadline) {
        return nullptr;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

private:
  PROCESS_INFORMATION pi_{};
  bool ok_ = false;
};

inline std::wstring window_text(HWND h) {
  wchar_t text[4096] = {};
  GetWindowTextW(h, text, 4096);
  return text;
}

// What a message box shows: caption, text, owner and which buttons it has.
struct message_box {
  HWND handle = nullptr;
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  bool has_yes = false, has_no = false, has_cancel = false, has_ok = false;
  int default_button = 0; // the button Enter presses
};

inline message_box read_message_box(HWND dialog) {
  message_box box;
  box.handle = dialog;
  box.caption = window_text(dialog);
  box.text = window_text(GetDlgItem(dialog, 0xFFFF));
  box.owner = GetWindow(dialog, GW_OWNER);
  box.has_yes = GetDlgItem(dialog, IDYES) != nullptr;
  box.has_no = GetDlgItem(dialog, IDNO) != nullptr;
  box.has_cancel = GetDlgItem(dialog, IDCANCEL) != nullptr;
  box.has_ok = GetDlgItem(dialog, IDOK) != nullptr;
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    HWND button = GetDlgItem(dialog, id);
    if (button != nullptr && (GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) {
      box.default_button = id;
    }
  }
  return box;
}

inline void press(HWND dialog, int button) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

} // namespace e2e

#endif
