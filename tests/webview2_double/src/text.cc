#include "text.hh"

#include <objbase.h>

#include <cstdio>
#include <cstring>

namespace wv2d {
namespace {

bool is_high_surrogate(wchar_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(wchar_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void append_utf8(std::string &out, unsigned long code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

void append_hex_escape(std::string &out, char kind, unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "\\%c%0*X", kind, digits, value);
  out += text;
}

std::optional<unsigned> hex_value(std::wstring_view digits) {
  unsigned value = 0;
  for (wchar_t c : digits) {
    value *= 16;
    if (c >= L'0' && c <= L'9') {
      value += c - L'0';
    } else if (c >= L'A' && c <= L'F') {
      value += c - L'A' + 10;
    } else if (c >= L'a' && c <= L'f') {
      value += c - L'a' + 10;
    } else {
      return std::nullopt;
    }
  }
  return value;
}

} // namespace

std::string escape(std::wstring_view text, bool escape_space) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t unit = text[i];
    if (unit == L'\\') {
      out += "\\\\";
    } else if (unit == L'\n') {
      out += "\\n";
    } else if (unit == L'\r') {
      out += "\\r";
    } else if (unit == L'\t') {
      out += "\\t";
    } else if (unit < 0x20 || unit == 0x7F || (unit == L' ' && escape_space)) {
      append_hex_escape(out, 'x', unit, 2);
    } else if (is_high_surrogate(unit) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      append_utf8(out, 0x10000 + ((unit - 0xD800UL) << 10) + (text[i + 1] - 0xDC00UL));
      ++i;
    } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
      append_hex_escape(out, 'u', unit, 4);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

std::optional<std::wstring> unescape(std::string_view text) {
  std::wstring decoded;
  if (!text.empty()) {
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) {
      return std::nullopt;
    }
    decoded.resize(static_cast<size_t>(size));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        &decoded[0], size);
  }
  std::wstring out;
  for (size_t i = 0; i < decoded.size(); ++i) {
    if (decoded[i] != L'\\') {
      out += decoded[i];
      continue;
    }
    if (++i == decoded.size()) {
      return std::nullopt;
    }
    const wchar_t kind = decoded[i];
    if (kind == L'\\') {
      out += L'\\';
    } else if (kind == L'n') {
      out += L'\n';
    } else if (kind == L'r') {
      out += L'\r';
    } else if (kind == L't') {
      out += L'\t';
    } else if (kind == L'x' || kind == L'u') {
      const size_t digits = kind == L'x' ? 2 : 4;
      if (i + digits >= decoded.size()) {
        return std::nullopt;
      }
      const auto value = hex_value(std::wstring_view(decoded).substr(i + 1, digits));
      if (!value) {
        return std::nullopt;
      }
      out += static_cast<wchar_t>(*value);
      i += digits;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

LPWSTR co_task_copy(std::wstring_view text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (copy) {
    std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
    copy[text.size()] = L'\0';
  }
  return copy;
}

} // namespace wv2d
