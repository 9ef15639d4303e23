// Works the program's windows from outside, for runs on a display nobody looks at. It runs under
// the same Wine server as the program.
//   window_helper.exe prompt WAIT_MS [yes|no]  waits for a visible dialog box (class #32770),
//                                             prints its caption and text, presses the button
//   window_helper.exe rect CLASS               prints "X Y WIDTH HEIGHT" of a visible window
//   window_helper.exe close CLASS WAIT_MS      asks the visible windows of CLASS to close
//                                             (WM_CLOSE) and waits until they are gone
// Exit code 0 when the window was there (and, for close, is gone), 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
  std::fputs("usage: window_helper prompt WAIT_MS [yes|no] | rect CLASS | close CLASS WAIT_MS\n",
             stderr);
  return 2;
}
