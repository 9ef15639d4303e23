// Helpers for getters: clear the out-parameter first, so that a getter that fails (or is made
// to fail) leaves a defined value, then fill it when the call goes through.

#ifndef WV2D_OUT_PARAM_HH
#define WV2D_OUT_PARAM_HH

#include "calls.hh"
#include "text.hh"

namespace wv2d {

// Logs the getter `name`, clears `*out` to `cleared` and returns the result to report when a
// fault is set or `out` is null; nothing when the getter should go on.
template <typename T>
std::optional<HRESULT> begin_getter(std::string_view name, T *out, T cleared) {
  if (out) {
    *out = cleared;
  }
  if (const auto fault = record_call(name, {})) {
    return fault;
  }
  if (!out) {
    return E_POINTER;
  }
  return std::nullopt;
}

// A getter of a value.
template <typename T> HRESULT get_value(std::string_view name, T *out, T value) {
  if (const auto result = begin_getter(name, out, T{})) {
    return *result;
  }
  *out = value;
  return S_OK;
}

// A getter of a string, which the program frees with CoTaskMemFree.
inline HRESULT get_text(std::string_view name, LPWSTR *out, std::wstring_view value) {
  if (const auto result = begin_getter<LPWSTR>(name, out, nullptr)) {
    return *result;
  }
  *out = co_task_copy(value);
  return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace wv2d

#endif // WV2D_OUT_PARAM_HH
