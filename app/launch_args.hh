// What the program was started with: a "zorveloffice:" link, an option, or a file to hand to
// the suite.
#ifndef ZORVEL_APP_LAUNCH_ARGS_HH
#define ZORVEL_APP_LAUNCH_ARGS_HH

#include "shell_text.hh"
#include "text_encoding.hh"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

namespace zorvel {

// One byte less than 60 MiB.
constexpr unsigned long long launch_file_limit = 62914559;

struct launch_state {
  std::string file_name; // after the last backslash of the argument
  std::string file_b64;  // emptied once a page has taken it
  std::string link;      // the whole link argument
};

// The file's bytes when it can be read and is within the limit. The size is checked before
// anything is read, so a huge argument costs no memory.
inline bool read_launch_file(const wchar_t *path, std::string &bytes) {
  struct handle_closer {
    void operator()(HANDLE h) const { CloseHandle(h); }
  };
  HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    return false;
  }
  const std::unique_ptr<void, handle_closer> owner(opened);
  HANDLE file = opened;
  bool ok = false;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
      static_cast<unsigned long long>(size.QuadPart) <= launch_file_limit) {
    // Read to the end, in case the file grew since its size was taken, but never past the limit.
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char chunk[65536];
    DWORD got = 0;
    while (bytes.size() <= launch_file_limit &&
           ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
      bytes.append(chunk, got);
    }
    ok = bytes.size() <= launch_file_limit;
  }
  return ok;
}

inline launch_state classify_argument(const wchar_t *arg) {
  launch_state state;
  if (_wcsnicmp(arg, L"zorveloffice:", 13) == 0) {
    state.link = narrow(arg);
  } else if (arg[0] != L'-') {
    std::string bytes;
    if (read_launch_file(arg, bytes)) {
      state.file_b64 = base64_encode(bytes);
      const wchar_t *slash = std::wcsrchr(arg, L'\\');
      state.file_name = narrow(slash != nullptr ? slash + 1 : arg);
    }
  }
  return state;
}

} // namespace zorvel

#endif
