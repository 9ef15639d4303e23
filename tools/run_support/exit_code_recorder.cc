// Starts a program, waits for it and writes its exit code to a file, for runs inside Wine's
// virtual desktop, whose explorer ends with 0 whatever the program it started returned.
//   exit_code_recorder.exe EXIT_FILE PROGRAM [ARGS...]
// The program gets the rest of this command line unchanged, so its arguments keep their quoting.
// Writes the code as decimal text and a newline, and ends with the same code (1 when the program
// could not be started, with no file written).
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <type_traits>

namespace {

struct handle_closer {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
    }
  }
};
using handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, handle_closer>;

struct argv_freer {
  void operator()(LPWSTR *argv) const { LocalFree(argv); }
};

// Skips one argument of a Windows command line: quotes group blanks, and a quote after an odd
// number of backslashes is a plain character.
const wchar_t *skip_argument(const wchar_t *p) {
  while (*p == L' ' || *p == L'\t') {
    ++p;
  }
  bool quoted = false;
  std::size_t backslashes = 0;
  for (; *p != L'\0' && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
    if (*p == L'"' && backslashes % 2 == 0) {
      quoted = !quoted;
    }
    backslashes = *p == L'\\' ? backslashes + 1 : 0;
  }
  return p;
}

// The program's own name never holds a backslash-escaped quote: it ends at the closing quote.
const wchar_t *skip_program_name(const wchar_t *p) {
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') {
      ++p;
    }
    return *p == L'"' ? p + 1 : p;
  }
  while (*p != L'\0' && *p != L' ' && *p != L'\t') {
    ++p;
  }
  return p;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  const std::unique_ptr<LPWSTR, argv_freer> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc < 3) {
    return 1;
  }
  const std::wstring exit_file = argv.get()[1];
  const wchar_t *rest = skip_argument(skip_program_name(GetCommandLineW()));
  while (*rest == L' ' || *rest == L'\t') {
    ++rest;
  }
  std::wstring command_line = rest;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return 1;
  }
  const handle process(started.hProcess);
  const handle thread(started.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);

  const handle file(CreateFileW(exit_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() != INVALID_HANDLE_VALUE) {
    const std::string text = std::to_string(code) + "\n";
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  return static_cast<int>(code);
}
