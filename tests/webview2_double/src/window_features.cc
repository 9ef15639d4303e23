#include "window_features.hh"

#include "out_param.hh"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>

namespace wv2d {
namespace {

constexpr UINT32 kMinimumExtent = 100;

bool is_separator(wchar_t c) {
  return c == L',' || std::iswspace(c);
}

std::optional<UINT32> parse_number(std::wstring_view text) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
    return std::nullopt;
  }
  return static_cast<UINT32>(std::stoul(std::wstring(text)));
}

std::wstring lower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t &c : out) {
    c = static_cast<wchar_t>(std::towlower(c));
  }
  return out;
}

} // namespace

WindowFeatureValues parse_window_features(std::wstring_view text) {
  WindowFeatureValues values;
  while (!text.empty()) {
    const auto end = std::find_if(text.begin(), text.end(), is_separator);
    const std::wstring_view entry = text.substr(0, static_cast<size_t>(end - text.begin()));
    text.remove_prefix(std::min(text.size(), entry.size() + 1));
    const size_t equals = entry.find(L'=');
    const auto number =
        equals == std::wstring_view::npos ? std::nullopt : parse_number(entry.substr(equals + 1));
    if (!number) {
      continue;
    }
    const std::wstring name = lower(entry.substr(0, equals));
    if (name == L"left" || name == L"top") {
      values.has_position = true;
      (name == L"left" ? values.left : values.top) = *number;
    } else if (name == L"width" || name == L"height") {
      values.has_size = true;
      (name == L"width" ? values.width : values.height) = std::max(*number, kMinimumExtent);
    }
  }
  // With a size, both extents are at least the minimum, also the one not given.
  if (values.has_size) {
    values.width = std::max(values.width, kMinimumExtent);
    values.height = std::max(values.height, kMinimumExtent);
  }
  return values;
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_HasPosition(BOOL *value) {
  return get_value<BOOL>("get_HasPosition", value, values_.has_position ? TRUE : FALSE);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_HasSize(BOOL *value) {
  return get_value<BOOL>("get_HasSize", value, values_.has_size ? TRUE : FALSE);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_Left(UINT32 *value) {
  return get_value("get_Left", value, values_.left);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_Top(UINT32 *value) {
  return get_value("get_Top", value, values_.top);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_Height(UINT32 *value) {
  return get_value("get_Height", value, values_.height);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_Width(UINT32 *value) {
  return get_value("get_Width", value, values_.width);
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_ShouldDisplayMenuBar(BOOL *value) {
  return get_value("get_ShouldDisplayMenuBar", value, displays_bars());
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_ShouldDisplayStatus(BOOL *value) {
  return get_value("get_ShouldDisplayStatus", value, displays_bars());
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_ShouldDisplayToolbar(BOOL *value) {
  return get_value("get_ShouldDisplayToolbar", value, displays_bars());
}

HRESULT STDMETHODCALLTYPE WindowFeatures::get_ShouldDisplayScrollBars(BOOL *value) {
  return get_value("get_ShouldDisplayScrollBars", value, displays_bars());
}

} // namespace wv2d
