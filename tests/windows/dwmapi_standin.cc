// Stands in for dwmapi.dll in the theme test: records each DwmSetWindowAttribute call as
// "ATTRIBUTE VALUE" and can refuse attribute 20, as systems before Windows 10 20H1 do.
#include <windows.h>

#include <string>

namespace {
std::string calls;
bool refuse_20 = false;
} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DwmSetWindowAttribute(HWND, DWORD attribute, LPCVOID value, DWORD size) {
  const int v = (value != nullptr && size == 4) ? *static_cast<const int *>(value) : -1;
  calls += std::to_string(attribute) + " " + std::to_string(v) + "\n";
  return attribute == 20 && refuse_20 ? E_INVALIDARG : S_OK;
}

extern "C" __declspec(dllexport) const char *dwm_standin_take_calls() {
  static std::string taken;
  taken.swap(calls);
  calls.clear();
  return taken.c_str();
}

extern "C" __declspec(dllexport) void dwm_standin_refuse_20(int refuse) {
  refuse_20 = refuse != 0;
}
