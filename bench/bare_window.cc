// The reference for the start-up benchmark: a bare Win32 program that appends "started" to the
// file named by its first argument as soon as it runs, registers a class, shows one window,
// appends "ready", and exits.
#include <windows.h>

#include <shellapi.h>

namespace {

void append_line(const wchar_t *path, const char *line, DWORD length) {
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, line, length, &written, nullptr);
  CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t *log = argv != nullptr && argc > 1 ? argv[1] : L"NUL";
  append_line(log, "started\n", 8);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"bare_window";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, L"bare_window", L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 1280, 840, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  append_line(log, "ready\n", 6);
  DestroyWindow(window);
  return 0;
}
