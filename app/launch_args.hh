// What the program was started with: a "zorveloffice:" link, an option, or a file to hand to
// the suite.
#ifndef ZORVEL_APP_LAUNCH_ARGS_HH
#define ZORVEL_APP_LAUNCH_ARGS_HH

#include "shell_text.hh"
#include "text_encoding.hh"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>

namespace zorvel {

// One byte less than 60 MiB.
constexpr unsigned long long launch_file_limit = 62914559;

struct launch_state {
  std::string file_name; // after the last backslash of the argument
  std::string file_b64;  // emptied once a page has taken it
  std::string link;      // the whole link argument
};

// Room kept behind the launch file's base64 text for the JSON object around it (see
// take_launch_file), so that handing it over needs no second copy of the text.
inline std::size_t launch_json_room(std::size_t name_bytes) {
  return 32 + 6 * name_bytes; // the fixed members, and every name byte escaped at worst
}

// The file's base64 text when it can be read and is within the limit, encoded as it is read so
// that the file's bytes are never held whole. The size is checked before anything is read, so a
// huge argument costs no memory; a file that grows past the limit while it is read is refused.
inline bool read_launch_file_base64(const wchar_t *path, std::size_t room, std::string &b64) {
  struct handle_closer {
    void operator()(HANDLE h) const { CloseHandle(h); }
  };
  HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    return false;
  }
  const std::unique_ptr<void, handle_closer> owner(opened);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(opened, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > launch_file_limit) {
    return false;
  }
  b64.reserve(base64_size(static_cast<std::size_t>(size.QuadPart)) + room);
  // Whole groups of three bytes are encoded as they come; up to two wait for the next read.
  constexpr DWORD chunk_size = 3 * 21845;
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[2 + chunk_size]);
  std::size_t waiting = 0;
  unsigned long long total = 0;
  DWORD got = 0;
  while (ReadFile(opened, chunk.get() + waiting, chunk_size, &got, nullptr) && got > 0) {
    total += got;
    if (total > launch_file_limit) {
      std::string().swap(b64);
      return false;
    }
    const std::size_t have = waiting + got;
    const std::size_t whole = have - have % 3;
    base64_append(chunk.get(), whole, b64);
    waiting = have - whole;
    std::memmove(chunk.get(), chunk.get() + whole, waiting);
  }
  base64_append(chunk.get(), waiting, b64);
  return true;
}

inline launch_state classify_argument(const wchar_t *arg) {
  launch_state state;
  if (_wcsnicmp(arg, L"zorveloffice:", 13) == 0) {
    state.link = narrow(arg);
  } else if (arg[0] != L'-') {
    const wchar_t *slash = std::wcsrchr(arg, L'\\');
    std::string name = narrow(slash != nullptr ? slash + 1 : arg);
    if (read_launch_file_base64(arg, launch_json_room(name.size()), state.file_b64)) {
      state.file_name = std::move(name);
    }
  }
  return state;
}

} // namespace zorvel

#endif
