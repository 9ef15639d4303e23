// Answers a message box from outside, for runs on a display nobody looks at: waits for a visible
// dialog box (class #32770) of any program under the same Wine server, prints its caption and
// text, and presses the given button.
//   answer_prompt.exe WAIT_MS [yes|no]
// Exit code 0 when a dialog was found (and pressed), 1 when none came within WAIT_MS.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
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

BOOL CALLBACK find_dialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND visible_dialog() {
  HWND found = nullptr;
  EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fputs("usage: answer_prompt WAIT_MS [yes|no]\n", stderr);
    return 2;
  }
  const DWORD wait = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
  const std::string answer = argc > 2 ? argv[2] : "";
  const int button = answer == "yes" ? IDYES : answer == "no" ? IDNO : 0;
  const ULONGLONG until = GetTickCount64() + wait;
  HWND dialog = visible_dialog();
  while (!dialog && GetTickCount64() < until) {
    Sleep(100);
    dialog = visible_dialog();
  }
  if (!dialog) {
    return 1;
  }
  std::printf("%s\n%s\n", utf8(window_text(dialog)).c_str(),
              utf8(window_text(GetDlgItem(dialog, 0xFFFF))).c_str());
  if (button) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    for (int i = 0; i < 50 && IsWindow(dialog); ++i) {
      Sleep(50);
    }
  }
  return 0;
}
