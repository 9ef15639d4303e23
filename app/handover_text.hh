// What a later start of the program may hand to the running one: the text of its first argument
// (a "zorveloffice:" link, an absolute file path, or nothing), checked before anything is done
// with it, since any program on the desktop can send it.
#ifndef ZORVEL_APP_HANDOVER_TEXT_HH
#define ZORVEL_APP_HANDOVER_TEXT_HH

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace zorvel {

// Marks a hand-over message as this program's: the bytes "ZOH1".
constexpr std::uint32_t handover_tag = 0x5A4F4831;

// A path is at most the longest path Windows accepts. A link came as an argument, so it is no
// longer than a command line (32,767 characters); the same bound serves both.
constexpr std::size_t handover_max_units = 32767;

enum class handover_kind { front, link, file, refused };

// True when `text` starts with "zorveloffice:" in any case (as the launch flow reads links).
inline bool starts_with_link_scheme(const wchar_t *text) {
  static const char scheme[] = "zorveloffice:";
  for (std::size_t i = 0; i < sizeof scheme - 1; ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') {
      c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    if (c != static_cast<wchar_t>(scheme[i])) {
      return false; // also at the end of a shorter text
    }
  }
  return true;
}

namespace detail {

inline bool is_drive_path(const std::wstring &t) {
  const wchar_t d = t.size() >= 3 ? t[0] : L'\0';
  return ((d >= L'A' && d <= L'Z') || (d >= L'a' && d <= L'z')) && t[1] == L':' && t[2] == L'\\';
}

// "\\server\share\rest": every part present; "\\.\" and "\\?\" name devices and raw namespaces,
// not servers.
inline bool is_unc_path(const std::wstring &t) {
  if (t.compare(0, 2, L"\\\\") != 0) {
    return false;
  }
  const std::size_t server_end = t.find(L'\\', 2);
  if (server_end == std::wstring::npos || server_end == 2) {
    return false;
  }
  const std::wstring server = t.substr(2, server_end - 2);
  if (server == L"." || server == L"?") {
    return false;
  }
  const std::size_t share_end = t.find(L'\\', server_end + 1);
  return share_end != std::wstring::npos && share_end > server_end + 1 && share_end + 1 < t.size();
}

} // namespace detail

// Checks a hand-over message: `tag` and `bytes` of UTF-16 text at `data`, one terminating NUL
// allowed. A wrong tag, a broken length, an embedded NUL or control character, an overlong text
// or a text that is neither empty, a link nor an absolute path is refused. `text` receives the
// accepted text, one UTF-16 unit per character.
inline handover_kind classify_handover(std::uint64_t tag, const void *data, std::size_t bytes,
                                       std::wstring &text) {
  text.clear();
  if (tag != handover_tag || bytes % 2 != 0 || bytes > 2 * (handover_max_units + 1) ||
      (bytes > 0 && data == nullptr)) {
    return handover_kind::refused;
  }
  const auto *p = static_cast<const unsigned char *>(data);
  std::wstring t(bytes / 2, L'\0');
  for (std::size_t i = 0; i < t.size(); ++i) {
    std::uint16_t unit;
    std::memcpy(&unit, p + 2 * i, 2); // the sender's memory need not be aligned
    t[i] = static_cast<wchar_t>(unit);
  }
  if (!t.empty() && t.back() == L'\0') {
    t.pop_back();
  }
  if (t.size() > handover_max_units) {
    return handover_kind::refused;
  }
  for (const wchar_t c : t) {
    if (c < 0x20 || c == 0x7F) {
      return handover_kind::refused;
    }
  }
  handover_kind kind = handover_kind::refused;
  if (t.empty()) {
    kind = handover_kind::front;
  } else if (starts_with_link_scheme(t.c_str())) {
    kind = handover_kind::link;
  } else if (detail::is_drive_path(t) || detail::is_unc_path(t)) {
    kind = handover_kind::file;
  }
  if (kind != handover_kind::refused) {
    text = std::move(t);
  }
  return kind;
}

} // namespace zorvel

#endif
