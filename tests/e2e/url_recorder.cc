// Stands in for the default browser in tests: registered as the https handler of the test
// prefix, it appends the address it was asked to open to "opened.txt" beside itself.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring log(path, n);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"opened.txt";
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 1;
  }
  const std::wstring arg = argc > 1 ? argv[1] : L"";
  const int size = WideCharToMultiByte(CP_UTF8, 0, arg.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, arg.c_str(), -1, &line[0], size, nullptr, nullptr);
  line.back() = '\n';
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
