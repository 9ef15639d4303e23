#include "environment_variable.hh"

#include <windows.h>

namespace wv2d {

std::optional<std::wstring> environment_variable(const wchar_t *name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) {
    return std::nullopt;
  }
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
  if (length == 0 || length >= size) {
    return std::nullopt;
  }
  value.resize(length);
  return value;
}

} // namespace wv2d
