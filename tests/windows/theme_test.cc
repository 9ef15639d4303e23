// The title bar follows the app theme: observed through a stand-in dwmapi.dll that
// theme_test.sh puts into System32 (loaded instead of the system's through a DLL override).
#include <webview/detail/backends/win32_edge_engine.hh>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace webview::detail;

const wchar_t personalize[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

void set_light_theme(DWORD value) {
  HKEY h = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, personalize, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
  RegSetValueExW(h, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 4);
  RegCloseKey(h);
}

struct standin {
  const char *(*take_calls)() = nullptr;
  void (*refuse_20)(int) = nullptr;
};

// The dwmapi.dll the engine loaded.
standin loaded_standin() {
  HMODULE module = GetModuleHandleW(L"dwmapi.dll");
  standin s;
  s.take_calls = reinterpret_cast<const char *(*)()>(
      reinterpret_cast<void *>(GetProcAddress(module, "dwm_standin_take_calls")));
  s.refuse_20 = reinterpret_cast<void (*)(int)>(
      reinterpret_cast<void *>(GetProcAddress(module, "dwm_standin_refuse_20")));
  return s;
}

TEST(DarkTitleBar, FollowsTheAppThemeAndItsChanges) {
  set_light_theme(0);
  win32_edge_engine engine(false, nullptr);
  const standin dwm = loaded_standin();
  ASSERT_NE(dwm.take_calls, nullptr) << "run through theme_test.sh";
  EXPECT_STREQ(dwm.take_calls(), "20 1\n") << "dark at creation";
  HWND window = static_cast<HWND>(engine.get_window().value());

  set_light_theme(1);
  SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_STREQ(dwm.take_calls(), "20 0\n") << "light again after the theme change";

  SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"immersivecolorset"));
  SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Policy"));
  SendMessageW(window, WM_SETTINGCHANGE, 0, 0);
  EXPECT_STREQ(dwm.take_calls(), "") << "only the exact setting name refreshes";

  set_light_theme(0);
  dwm.refuse_20(1);
  SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_STREQ(dwm.take_calls(), "20 1\n19 1\n") << "attribute 19 where 20 is refused";
  dwm.refuse_20(0);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");
}

} // namespace
