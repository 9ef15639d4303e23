// Works the program's windows from outside, for runs on a display nobody looks at. It runs under
// the same Wine server as the program.
//   window_helper.exe [--desktop NAME] COMMAND ...
//   prompt WAIT_MS [yes|no]  waits for a visible dialog box (class #32770), prints its caption and
//                            text, presses the button
//   rect CLASS               prints "X Y WIDTH HEIGHT" of a visible window
//   close CLASS WAIT_MS      asks the visible windows of CLASS to close (WM_CLOSE) and waits until
//                            they are gone
//   watch CLASS              prints the title of the visible window of CLASS each time it changes
//                            and the caption and text of each dialog box that appears, until that
//                            window has been gone for 2 s
// --desktop NAME works on the windows of Wine's virtual desktop NAME (waiting up to 20 s for it to
// appear): a program sees only the windows of its own desktop. Exit code 0 when the window was
// there (and, for close, is gone), 1 otherwise.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::wstring widen(const char *text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], size);
  out.resize(out.size() - 1);
  return out;
}

std::string utf8(const std::wstring &text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
  }
  return out;
}

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

struct search {
  std::wstring class_name;
  HWND found = nullptr;
};

BOOL CALLBACK match_class(HWND window, LPARAM param) {
  auto *s = reinterpret_cast<search *>(param);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (IsWindowVisible(window) && s->class_name == name) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND visible_window(const std::wstring &class_name) {
  search s{class_name};
  EnumWindows(match_class, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND wait_for(const std::wstring &class_name, DWORD wait_ms) {
  const ULONGLONG until = GetTickCount64() + wait_ms;
  HWND window = visible_window(class_name);
  while (!window && GetTickCount64() < until) {
    Sleep(100);
    window = visible_window(class_name);
  }
  return window;
}

// Every visible dialog box, in no particular order.
BOOL CALLBACK collect_dialog(HWND window, LPARAM param) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    reinterpret_cast<std::vector<HWND> *>(param)->push_back(window);
  }
  return TRUE;
}

void print_lines(const char *first, const std::string &text) {
  std::printf("%s\n", first);
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    std::printf("  | %s\n", line.c_str());
    from = end + 1;
  }
}

int watch(const std::wstring &class_name) {
  std::wstring title;
  bool seen = false;
  ULONGLONG gone_since = 0;
  std::vector<HWND> shown;
  for (;;) {
    const HWND window = visible_window(class_name);
    if (window) {
      seen = true;
      gone_since = 0;
      const std::wstring now = window_text(window);
      if (now != title) {
        title = now;
        std::printf("Window title: %s\n", utf8(title).c_str());
      }
    } else if (seen) {
      if (gone_since == 0) {
        gone_since = GetTickCount64();
      } else if (GetTickCount64() - gone_since >= 2000) {
        return 0;
      }
    }
    std::vector<HWND> dialogs;
    EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
      if (std::find(shown.begin(), shown.end(), dialog) == shown.end()) {
        print_lines(("Prompt shown: " + utf8(window_text(dialog))).c_str(),
                    utf8(window_text(GetDlgItem(dialog, 0xFFFF))));
      }
    }
    shown = dialogs;
    std::fflush(stdout);
    Sleep(200);
  }
}

struct desktop_closer {
  void operator()(HDESK desktop) const { CloseDesktop(desktop); }
};
using desktop_handle = std::unique_ptr<std::remove_pointer_t<HDESK>, desktop_closer>;

int prompt(DWORD wait_ms, const std::string &answer) {
  const HWND dialog = wait_for(L"#32770", wait_ms);
  if (!dialog) {
    return 1;
  }
  std::printf("%s\n%s\n", utf8(window_text(dialog)).c_str(),
              utf8(window_text(GetDlgItem(dialog, 0xFFFF))).c_str());
  const int button = answer == "yes" ? IDYES : answer == "no" ? IDNO : 0;
  if (button) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    for (int i = 0; i < 50 && IsWindow(dialog); ++i) {
      Sleep(50);
    }
  }
  return 0;
}

int rect(const std::wstring &class_name) {
  RECT r;
  const HWND window = visible_window(class_name);
  if (!window || !GetWindowRect(window, &r)) {
    return 1;
  }
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

int close(const std::wstring &class_name, DWORD wait_ms) {
  const ULONGLONG until = GetTickCount64() + wait_ms;
  HWND window = visible_window(class_name);
  if (!window) {
    return 1;
  }
  while (window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 10 && IsWindow(window); ++i) {
      Sleep(50);
    }
    if (GetTickCount64() >= until) {
      return IsWindow(window) ? 1 : 0;
    }
    window = visible_window(class_name);
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  desktop_handle desktop;
  if (argc > 2 && std::string(argv[1]) == "--desktop") {
    // The desktop appears once its explorer has started.
    for (int i = 0; i < 200 && !desktop; ++i) {
      desktop.reset(OpenDesktopW(widen(argv[2]).c_str(), 0, FALSE, GENERIC_ALL));
      if (!desktop) {
        Sleep(100);
      }
    }
    if (!desktop || !SetThreadDesktop(desktop.get())) {
      std::fprintf(stderr, "window_helper: no desktop %s\n", argv[2]);
      return 1;
    }
    argc -= 2;
    argv += 2;
  }
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "prompt" && argc >= 3) {
    return prompt(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)), argc > 3 ? argv[3] : "");
  }
  if (command == "rect" && argc == 3) {
    return rect(widen(argv[2]));
  }
  if (command == "close" && argc == 4) {
    return close(widen(argv[2]), static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
  }
  if (command == "watch" && argc == 3) {
    return watch(widen(argv[2]));
  }
  std::fputs("usage: window_helper [--desktop NAME] prompt WAIT_MS [yes|no] | rect CLASS | "
             "close CLASS WAIT_MS | watch CLASS\n",
             stderr);
  return 2;
}
