// The shell's own text conversions: lenient, so ill-formed input becomes U+FFFD instead of
// failing (the engine's conversions are strict).
#ifndef ZORVEL_APP_SHELL_TEXT_HH
#define ZORVEL_APP_SHELL_TEXT_HH

#include <windows.h>

#include <climits>
#include <string>

namespace zorvel {

inline std::wstring widen(const std::string &text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const int n = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), n, nullptr, 0);
  if (length <= 0) {
    return {};
  }
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), n, &out[0], length);
  return out;
}

inline std::string narrow(const wchar_t *text) {
  if (text == nullptr || *text == L'\0') {
    return {};
  }
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) {
    return {};
  }
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], length, nullptr, nullptr);
  out.pop_back(); // the terminator
  return out;
}

inline std::string narrow(const std::wstring &text) {
  return narrow(text.c_str());
}

} // namespace zorvel

#endif
