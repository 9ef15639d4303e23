// The registry reader, the runtime lookup and the theme check against Wine's real registry.
#include "../e2e/e2e_support.hh"

#include <webview/detail/backends/webview2_runtime.hh>
#include <webview/detail/backends/win32_edge_engine.hh>
#include <webview/detail/backends/win32_theme.hh>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace webview::detail;

const wchar_t scratch_key[] = L"SOFTWARE\\ZorvelOfficeTests\\RegKey";

// Writes one value of any type under root\key (32-bit view when asked) and removes the key again
// when it goes out of scope.
class scratch_value {
public:
  scratch_value(HKEY root, const std::wstring &key, const std::wstring &name, DWORD type,
                const void *data, DWORD size, REGSAM view = 0)
      : root_(root), key_(key), view_(view) {
    HKEY handle = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(handle, name.c_str(), 0, type, static_cast<const BYTE *>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(handle);
  }
  ~scratch_value() { RegDeleteKeyExW(root_, key_.c_str(), view_, 0); }

private:
  HKEY root_;
  std::wstring key_;
  REGSAM view_;
};

// The runtime registered in `root` with the folder text `text` while it is in scope.
class runtime_registration {
public:
  runtime_registration(HKEY root, const std::wstring &text) : root_(root) {
    EXPECT_TRUE(e2e::register_runtime(root, text));
  }
  ~runtime_registration() { RegDeleteKeyExW(root_, e2e::client_state_key, KEY_WOW64_32KEY, 0); }
  runtime_registration(const runtime_registration &) = delete;
  runtime_registration &operator=(const runtime_registration &) = delete;

private:
  HKEY root_;
};

TEST(RegKey, MissingKeyReadsAsEmpty) {
  reg_key key(HKEY_CURRENT_USER, L"SOFTWARE\\ZorvelOfficeTests\\Absent", 0, KEY_READ);
  EXPECT_FALSE(key.is_open());
  EXPECT_TRUE(key.value_bytes(L"x").empty());
  EXPECT_EQ(key.value_dword(L"x", 7u), 7u);
  EXPECT_EQ(key.value_string(L"x"), L"");
}

TEST(RegKey, ReadsStringsBytesAndNumbers) {
  const wchar_t text[] = L"abc\0\0"; // stored with two extra trailing NULs
  scratch_value s(HKEY_CURRENT_USER, scratch_key, L"s", REG_SZ, text, sizeof(text));
  const DWORD number = 0x01020304;
  scratch_value d(HKEY_CURRENT_USER, scratch_key, L"d", REG_DWORD, &number, sizeof(number));
  const unsigned char two[] = {1, 0};
  scratch_value b(HKEY_CURRENT_USER, scratch_key, L"b", REG_BINARY, two, sizeof(two));
  const unsigned char odd[] = {'h', 0, 'i', 0, 'x'};
  scratch_value o(HKEY_CURRENT_USER, scratch_key, L"o", REG_BINARY, odd, sizeof(odd));
  const wchar_t nuls[] = L"\0\0";
  scratch_value n(HKEY_CURRENT_USER, scratch_key, L"n", REG_SZ, nuls, sizeof(nuls));

  reg_key key(HKEY_CURRENT_USER, scratch_key, 0, KEY_READ);
  ASSERT_TRUE(key.is_open());
  EXPECT_EQ(key.value_string(L"s"), L"abc");
  EXPECT_EQ(key.value_string(L"n"), L"") << "only NULs";
  EXPECT_EQ(key.value_string(L"o"), L"hi") << "an odd byte count is cut to whole characters";
  EXPECT_EQ(key.value_dword(L"d", 0), 0x01020304u);
  EXPECT_EQ(key.value_dword(L"b", 99), 99u) << "fewer than four bytes";
  EXPECT_EQ(key.value_bytes(L"b"), (std::vector<unsigned char>{1, 0}));
  EXPECT_EQ(key.value_dword(L"s", 0), 0x00620061u) << "the type is not examined";
  EXPECT_EQ(key.value_string(L"missing"), L"");
}

TEST(RuntimeLookup, AcceptsBuild1150AndAbove) {
  struct row {
    const wchar_t *text;
    bool found;
    const wchar_t *version;
    const wchar_t *path;
  };
  const row rows[] = {
      {L"D:\\rt\\120.0.2210.91", true, L"120.0.2210.91",
       L"D:\\rt\\120.0.2210.91\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {L"C:\\rt\\120.0.1150.0", true, L"120.0.1150.0",
       L"C:\\rt\\120.0.1150.0\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {L"C:\\rt\\120.0.1149.5", false, L"", L""},
      {L"C:\\rt\\120.0", false, L"", L""},
      {L"C:\\rt\\120.0.2210.91\\", false, L"", L""},
      {L"C:\\rt\\120.0.x.1", false, L"", L""},
      {L"C:\\rt\\120.0.-2000.1", false, L"", L""},
      {L"C:\\rt\\120.0. 1200abc", true, L"120.0. 1200abc",
       L"C:\\rt\\120.0. 1200abc\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {L"C:\\rt\\120.0.99999999999.1", false, L"", L""},
      {L"C:\\rt\\1.2.3000.4/", true, L"1.2.3000.4/",
       L"C:\\rt\\1.2.3000.4/EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {L"120.0.2210.91", false, L"", L""},
  };
  for (const auto &r : rows) {
    runtime_registration reg(HKEY_CURRENT_USER, r.text);
    const auto client = find_installed_runtime_client();
    EXPECT_EQ(client.found, r.found) << testing::PrintToString(std::wstring(r.text));
    EXPECT_EQ(client.version, r.version);
    EXPECT_EQ(client.library_path, r.path);
    EXPECT_EQ(client.runtime_kind, 0);
  }
}

TEST(RuntimeLookup, MachineWideHidesPerUser) {
  runtime_registration user(HKEY_CURRENT_USER, L"C:\\user\\120.0.3000.1");
  EXPECT_EQ(find_installed_runtime_client().version, L"120.0.3000.1");
  {
    runtime_registration machine(HKEY_LOCAL_MACHINE, L"C:\\machine\\120.0.2000.1");
    EXPECT_EQ(find_installed_runtime_client().version, L"120.0.2000.1");
  }
  {
    runtime_registration machine(HKEY_LOCAL_MACHINE, L"C:\\machine\\120.0.1000.1");
    EXPECT_EQ(find_installed_runtime_client().version, L"120.0.3000.1")
        << "an unacceptable machine-wide registration lets the per-user one through";
  }
}

TEST(RuntimeVersion, FromRegistryWithoutLoader) {
  LPWSTR version = nullptr;
  EXPECT_LT(get_runtime_version(nullptr, &version), 0);
  EXPECT_EQ(version, nullptr);
  EXPECT_FALSE(is_runtime_available(nullptr));

  runtime_registration reg(HKEY_CURRENT_USER, L"C:\\rt\\121.0.2277.83");
  ASSERT_EQ(get_runtime_version(nullptr, &version), S_OK);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(version, L"121.0.2277.83");
  CoTaskMemFree(version);
  EXPECT_TRUE(is_runtime_available(nullptr));
}

TEST(RuntimeEnvironment, RegisteredLibraryThatCannotLoadFailsTheAttempt) {
  EXPECT_EQ(create_browser_environment(nullptr, L"C:\\data", nullptr), static_cast<HRESULT>(-1))
      << "nothing registered";
  runtime_registration reg(HKEY_CURRENT_USER, L"C:\\nowhere\\120.0.2210.91");
  EXPECT_LT(create_browser_environment(nullptr, L"C:\\data", nullptr), 0);
}

TEST(EngineConstruction, NoRuntimeThrowsMissingDependency) {
  try {
    win32_edge_engine engine(false, nullptr);
    FAIL() << "constructed without a runtime";
  } catch (const webview::exception &e) {
    EXPECT_EQ(e.code(), -5);
    EXPECT_STREQ(e.what(), "WebView2 is unavailable");
  }
  EXPECT_EQ(window_count.load(), 0);
  EXPECT_EQ(FindWindowW(L"webview", nullptr), nullptr) << "no window was created";
}

TEST(Theme, FollowsAppsUseLightTheme) {
  const wchar_t key[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  {
    const DWORD dark = 0;
    scratch_value v(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &dark, 4);
    EXPECT_TRUE(is_dark_theme_enabled());
  }
  {
    const DWORD light = 1;
    scratch_value v(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &light, 4);
    EXPECT_FALSE(is_dark_theme_enabled());
  }
  {
    const unsigned char short_value[] = {0, 0};
    scratch_value v(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_BINARY, short_value, 2);
    EXPECT_FALSE(is_dark_theme_enabled()) << "a 2-byte value reads as light";
  }
  EXPECT_FALSE(is_dark_theme_enabled()) << "missing";
}

TEST(Dpi, WindowSizeForClientAddsTheFrame) {
  HWND w = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(w, nullptr);
  // An overlapped window's frame at 96 DPI: 4 pixels left, right and below, 23 above.
  EXPECT_EQ(window_size_for_client(w, 640, 480, 96), std::make_pair(648, 507));
  EXPECT_EQ(get_window_dpi(w), 96);
  DestroyWindow(w);
}

} // namespace
