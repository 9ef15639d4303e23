// The two installers in a Wine prefix of their own (run_installer_test.sh makes it): the per-user
// setup program's language, a failed copy, a silent install over an earlier version, its files,
// shortcut, installed-programs entry and registrations, its quiet uninstall and its interactive
// one with the profile's box ticked; the machine-wide package installed silently over an earlier
// version, a zorveloffice: link opened through the shell starting the installed program with the
// link, and its silent uninstall. Each silent uninstall must leave only the browser profile.
//
// Wine's shell follows only machine-wide registrations (it ignores HKCU\Software\Classes) and
// opens a document only through a default program, which the installers never become: so the
// link is followed end to end through the package's registration, and the rest is read from the
// registry.
#include "../e2e/e2e_support.hh"
#include "../e2e/process_driver.hh"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#if !defined(SETUP_EXE) || !defined(EARLIER_SETUP_EXE) || !defined(MSI_PACKAGE) ||                 \
    !defined(APP_EXE) || !defined(EARLIER_APP_EXE) || !defined(DOUBLE_RUNTIME_DLL)
#error "the paths of the installers, the programs and the runtime double must be defined"
#endif

namespace {

using e2e::eventually;
using e2e::own_directory;
using e2e::quoted;
using e2e::read_file;
using e2e::windows_path;
using e2e::write_file;

// ---------------------------------------------------------------------------------------------
// Files, processes, registry

std::wstring folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool exists(const std::wstring &path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a command line to its end; its exit code, or -1 when it could not start or did not end.
long run(const std::wstring &command_line) {
  return e2e::running_program(command_line, L"").wait(120000);
}

struct reg_value {
  bool found = false;
  DWORD type = REG_NONE;
  std::wstring text;
  DWORD number = 0;
};

reg_value read_value(HKEY root, const std::wstring &key, const wchar_t *name, REGSAM view = 0) {
  reg_value v;
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) {
    return v;
  }
  BYTE data[4096] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegQueryValueExW(h, name, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
    v.found = true;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
      v.text = reinterpret_cast<const wchar_t *>(data);
    } else if (v.type == REG_DWORD) {
      v.number = *reinterpret_cast<const DWORD *>(data);
    }
  }
  RegCloseKey(h);
  return v;
}

std::wstring read_text(HKEY root, const std::wstring &key, const wchar_t *name = nullptr) {
  const reg_value v = read_value(root, key, name);
  return v.found ? v.text : L"(absent)";
}

bool key_exists(HKEY root, const std::wstring &key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(h);
  return true;
}

// ---------------------------------------------------------------------------------------------
// What the installers should leave

const wchar_t classes[] = L"Software\\Classes\\";
const wchar_t per_user_entry[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZorvelOffice";
const std::vector<std::wstring> document_types = {
    L".docx", L".docm", L".dotx", L".doc",  L".odt",  L".rtf",  L".xlsx", L".xlsm", L".xltx",
    L".xls",  L".ods",  L".csv",  L".pptx", L".pptm", L".potx", L".ppt",  L".odp"};
// Another program's association, which must survive install and uninstall.
const wchar_t other_default[] = L"Word.Document.12";

std::wstring per_user_folder() {
  return folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\ZorvelOffice";
}
std::wstring machine_folder() {
  return folder(CSIDL_PROGRAM_FILES) + L"\\ZorvelOffice";
}
std::wstring user_shortcut() {
  return folder(CSIDL_PROGRAMS) + L"\\Zorvel Office.lnk";
}
std::wstring common_shortcut() {
  return folder(CSIDL_COMMON_PROGRAMS) + L"\\Zorvel Office.lnk";
}
std::wstring profile_file() {
  return folder(CSIDL_APPDATA) + L"\\ZorvelOffice.exe\\EBWebView\\Local State";
}
const std::string profile_bytes = "{\"signed_in\":true}";

void make_profile() {
  CreateDirectoryW((folder(CSIDL_APPDATA) + L"\\ZorvelOffice.exe").c_str(), nullptr);
  CreateDirectoryW((folder(CSIDL_APPDATA) + L"\\ZorvelOffice.exe\\EBWebView").c_str(), nullptr);
  ASSERT_TRUE(write_file(profile_file(), profile_bytes));
}

// The default program of each document type, as it stands.
std::vector<std::wstring> type_defaults(HKEY root) {
  std::vector<std::wstring> defaults;
  for (const std::wstring &type : document_types) {
    defaults.push_back(read_text(root, std::wstring(classes) + type));
  }
  return defaults;
}

void expect_registrations(HKEY root, const std::wstring &exe,
                          const std::vector<std::wstring> &defaults_before) {
  const std::wstring c = classes;
  const std::wstring command = quoted(exe) + L" \"%1\"";
  const std::wstring icon = quoted(exe) + L",0";
  EXPECT_EQ(read_text(root, c + L"zorveloffice"), L"URL:Zorvel Office link");
  EXPECT_EQ(read_text(root, c + L"zorveloffice", L"URL Protocol"), L"");
  EXPECT_EQ(read_text(root, c + L"zorveloffice\\DefaultIcon"), icon);
  EXPECT_EQ(read_text(root, c + L"zorveloffice\\shell\\open\\command"), command);
  EXPECT_EQ(read_text(root, c + L"ZorvelOffice.Document"), L"Zorvel Office document");
  EXPECT_EQ(read_text(root, c + L"ZorvelOffice.Document\\DefaultIcon"), icon);
  EXPECT_EQ(read_text(root, c + L"ZorvelOffice.Document\\shell\\open\\command"), command);
  const std::wstring app = c + L"Applications\\ZorvelOffice.exe";
  EXPECT_EQ(read_text(root, app, L"FriendlyAppName"), L"Zorvel Office");
  EXPECT_EQ(read_text(root, app + L"\\shell\\open\\command"), command);
  for (const std::wstring &type : document_types) {
    SCOPED_TRACE(type);
    const reg_value offered =
        read_value(root, c + type + L"\\OpenWithProgids", L"ZorvelOffice.Document");
    EXPECT_TRUE(offered.found && (offered.type == REG_NONE || offered.text.empty()));
    EXPECT_TRUE(read_value(root, app + L"\\SupportedTypes", type.c_str()).found);
  }
  // Offered, never taken: each type's default program stays what it was.
  EXPECT_EQ(type_defaults(root), defaults_before);
}

void expect_no_registrations(HKEY root, const std::vector<std::wstring> &defaults_before) {
  const std::wstring c = classes;
  EXPECT_FALSE(key_exists(root, c + L"zorveloffice"));
  EXPECT_FALSE(key_exists(root, c + L"ZorvelOffice.Document"));
  EXPECT_FALSE(key_exists(root, c + L"Applications\\ZorvelOffice.exe"));
  for (const std::wstring &type : document_types) {
    SCOPED_TRACE(type);
    EXPECT_FALSE(read_value(root, c + type + L"\\OpenWithProgids", L"ZorvelOffice.Document").found);
  }
  EXPECT_EQ(type_defaults(root), defaults_before);
}

// The size in KiB of the files of a folder, rounded up per file.
DWORD folder_size_kib(const std::wstring &dir) {
  DWORD kib = 0;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        kib += (found.nFileSizeLow + 1023) / 1024;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return kib;
}

// The machine-wide package's entries in the installed-programs list.
std::vector<std::wstring> machine_entries() {
  const std::wstring root = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::vector<std::wstring> found;
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return found;
  }
  wchar_t name[256];
  DWORD length = 256;
  for (DWORD i = 0;
       RegEnumKeyExW(h, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, length = 256) {
    const std::wstring key = root + L"\\" + name;
    if (read_text(HKEY_LOCAL_MACHINE, key, L"DisplayName") == L"Zorvel Office") {
      found.push_back(key);
    }
  }
  RegCloseKey(h);
  return found;
}

const std::wstring setup = windows_path(SETUP_EXE);
const std::wstring earlier_setup = windows_path(EARLIER_SETUP_EXE);
const std::wstring package = windows_path(MSI_PACKAGE);
const std::wstring earlier_package = windows_path(EARLIER_MSI_PACKAGE);

class Installers : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      e2e::set_string(root, std::wstring(classes) + L".docx", nullptr, other_default);
    }
  }
};

// ---------------------------------------------------------------------------------------------

// run_installer_test.sh runs this once per locale, started under LC_ALL=ZO_TEST_LOCALE.
TEST_F(Installers, SetupSpeaksTheUsersWindowsLanguageAndEnglishOtherwise) {
  struct language {
    const wchar_t *locale;
    LANGID windows_language;
    const wchar_t *caption;
  };
  const language languages[] = {{L"ar_SA.UTF-8", LANG_ARABIC, L"تنصيب زورفل أوفيس"},
                                {L"C.UTF-8", LANG_ENGLISH, L"Zorvel Office Setup"},
                                {L"fr_FR.UTF-8", LANG_FRENCH, L"Zorvel Office Setup"}};
  const wchar_t *locale = _wgetenv(L"ZO_TEST_LOCALE");
  ASSERT_NE(locale, nullptr);
  const language *expected =
      std::find_if(std::begin(languages), std::end(languages),
                   [&](const language &l) { return lstrcmpW(locale, l.locale) == 0; });
  ASSERT_NE(expected, std::end(languages))
      << "no expected caption for the locale " << e2e::to_utf8(locale);
  ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), expected->windows_language);
  {
    // Its first page only (the destructor ends it): nothing is installed.
    const e2e::running_program program(quoted(setup), L"");
    const HWND window = program.find_window(L"#32770", 20000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(e2e::window_text(window), expected->caption);
  }
  EXPECT_FALSE(exists(per_user_folder()));
}

TEST_F(Installers, SilentSetupThatCannotCopyTheProgramFailsAndRegistersNothing) {
  // A file where the program folder should go.
  CreateDirectoryW((folder(CSIDL_LOCAL_APPDATA) + L"\\Programs").c_str(), nullptr);
  ASSERT_TRUE(write_file(per_user_folder(), "in the way"));
  EXPECT_EQ(run(quoted(setup) + L" /S"), 2);
  DeleteFileW(per_user_folder().c_str());
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, per_user_entry));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, std::wstring(classes) + L"zorveloffice"));
  EXPECT_FALSE(exists(user_shortcut()));
}

TEST_F(Installers, PerUserSetupUpgradesKeepingTheProfileAndUninstallsLeavingOnlyIt) {
  const std::wstring dir = per_user_folder();
  const std::wstring exe = dir + L"\\ZorvelOffice.exe";

  // An earlier version, used for a while.
  ASSERT_EQ(run(quoted(earlier_setup) + L" /S"), 0);
  ASSERT_EQ(read_text(HKEY_CURRENT_USER, per_user_entry, L"DisplayVersion"), L"2.1.4");
  ASSERT_EQ(read_file(exe), read_file(windows_path(EARLIER_APP_EXE)));
  make_profile();
  const std::vector<std::wstring> defaults = type_defaults(HKEY_CURRENT_USER);
  ASSERT_EQ(defaults[0], other_default);

  ASSERT_EQ(run(quoted(setup) + L" /S"), 0);
  EXPECT_EQ(read_file(exe), read_file(windows_path(APP_EXE)));
  EXPECT_TRUE(exists(dir + L"\\Uninstall.exe"));
  EXPECT_TRUE(exists(user_shortcut()));
  EXPECT_EQ(read_file(profile_file()), profile_bytes);

  const HKEY hkcu = HKEY_CURRENT_USER;
  EXPECT_EQ(read_text(hkcu, per_user_entry, L"DisplayName"), L"Zorvel Office");
  EXPECT_EQ(read_text(hkcu, per_user_entry, L"DisplayVersion"), L"2.1.5");
  EXPECT_EQ(read_text(hkcu, per_user_entry, L"Publisher"), L"Zorvel");
  EXPECT_EQ(read_text(hkcu, per_user_entry, L"DisplayIcon"), quoted(exe) + L",0");
  EXPECT_EQ(read_text(hkcu, per_user_entry, L"UninstallString"), quoted(dir + L"\\Uninstall.exe"));
  const std::wstring quiet = read_text(hkcu, per_user_entry, L"QuietUninstallString");
  EXPECT_EQ(quiet, quoted(dir + L"\\Uninstall.exe") + L" /S");
  EXPECT_EQ(read_value(hkcu, per_user_entry, L"NoModify").number, 1u);
  EXPECT_EQ(read_value(hkcu, per_user_entry, L"NoRepair").number, 1u);
  const DWORD size = read_value(hkcu, per_user_entry, L"EstimatedSize").number;
  EXPECT_GE(size + 2, folder_size_kib(dir));
  EXPECT_LE(size, folder_size_kib(dir));
  expect_registrations(hkcu, exe, defaults);
  // The per-user installer writes nothing machine-wide.
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, std::wstring(classes) + L"zorveloffice"));

  // The uninstaller hands its work to a copy of itself and returns at once.
  ASSERT_EQ(run(quiet), 0);
  EXPECT_TRUE(eventually([&] { return !exists(dir) && !key_exists(hkcu, per_user_entry); }));
  EXPECT_FALSE(exists(user_shortcut()));
  expect_no_registrations(hkcu, defaults);
  EXPECT_EQ(read_file(profile_file()), profile_bytes);
}

// A visible top-level window of any process whose caption starts with `caption`, and a
// descendant of a window by its class.
HWND find_window(const std::wstring &caption, int timeout_ms = 20000) {
  struct search {
    const std::wstring &caption;
    HWND found;
  } s{caption, nullptr};
  eventually(
      [&] {
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
              auto *s = reinterpret_cast<search *>(lp);
              wchar_t text[256] = {};
              GetWindowTextW(h, text, 256);
              if (IsWindowVisible(h) && std::wstring(text).rfind(s->caption, 0) == 0) {
                s->found = h;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      timeout_ms);
  return s.found;
}

HWND find_descendant(HWND parent, const wchar_t *class_name) {
  struct search {
    const wchar_t *cls;
    HWND found;
  } s{class_name, nullptr};
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM lp) -> BOOL {
        auto *s = reinterpret_cast<search *>(lp);
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (lstrcmpW(cls, s->cls) == 0) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

TEST_F(Installers, UninstallDeletesTheProfileWhenTheUserTicksItsBox) {
  const std::wstring dir = per_user_folder();
  ASSERT_EQ(run(quoted(setup) + L" /S"), 0);
  make_profile();
  // It hands over to a copy of itself, which shows the pages.
  EXPECT_EQ(run(quoted(dir + L"\\Uninstall.exe")), 0);

  // Its one page lists the program (always removed), then the unticked box for the profile.
  const HWND window = find_window(L"Zorvel Office Uninstall");
  ASSERT_NE(window, nullptr);
  HWND tree = nullptr;
  ASSERT_TRUE(
      eventually([&] { return (tree = find_descendant(window, L"SysTreeView32")) != nullptr; }));
  const auto program =
      reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  const auto profile = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(program)));
  ASSERT_NE(profile, nullptr);
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(profile));
  // NSIS's state images: 1 unticked, 2 ticked; the space bar toggles the selected item.
  const auto box = [&] {
    return SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(profile),
                        TVIS_STATEIMAGEMASK);
  };
  EXPECT_EQ(box(), INDEXTOSTATEIMAGEMASK(1));
  SendMessageW(tree, WM_CHAR, L' ', 0);
  EXPECT_EQ(box(), INDEXTOSTATEIMAGEMASK(2));
  e2e::press(window, IDOK);

  EXPECT_TRUE(eventually(
      [&] { return !exists(dir) && !exists(folder(CSIDL_APPDATA) + L"\\ZorvelOffice.exe"); }));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, per_user_entry));
  // Its last page: Close.
  EXPECT_TRUE(eventually([&] {
    e2e::press(window, IDOK);
    return !IsWindow(window);
  }));
}

TEST_F(Installers, MachineWidePackageUpgradesOpensLinksInTheProgramAndUninstallsLeavingTheProfile) {
  const std::wstring exe = machine_folder() + L"\\ZorvelOffice.exe";
  make_profile();
  const std::vector<std::wstring> defaults = type_defaults(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(defaults[0], other_default);
  ASSERT_EQ(run(L"msiexec /i " + quoted(earlier_package) + L" /qn"), 0);
  ASSERT_EQ(read_file(exe), read_file(windows_path(EARLIER_APP_EXE)));
  // The newer package replaces the earlier one.
  ASSERT_EQ(run(L"msiexec /i " + quoted(package) + L" /qn"), 0);
  EXPECT_EQ(read_file(exe), read_file(windows_path(APP_EXE)));
  // Windows puts the shortcut into the common Start menu; Wine into the user's.
  EXPECT_TRUE(exists(common_shortcut()) || exists(user_shortcut()));
  expect_registrations(HKEY_LOCAL_MACHINE, exe, defaults);
  const std::vector<std::wstring> entries = machine_entries();
  ASSERT_EQ(entries.size(), 1u);
  const std::wstring &entry = entries[0];
  EXPECT_EQ(read_text(HKEY_LOCAL_MACHINE, entry, L"DisplayVersion"), L"2.1.5");
  EXPECT_EQ(read_text(HKEY_LOCAL_MACHINE, entry, L"Publisher"), L"Zorvel");
  EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, entry, L"NoModify").number, 1u);
  EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, entry, L"NoRepair").number, 1u);

  // The installed program, with the runtime's test double registered, records its first address
  // in the double's log; the double then closes its window, and the page lets it close.
  ASSERT_TRUE(e2e::register_runtime(HKEY_CURRENT_USER,
                                    e2e::runtime_folder_of(windows_path(DOUBLE_RUNTIME_DLL)),
                                    L"120.0.2210.91"));
  const std::wstring log = own_directory() + L"\\link_calls.log";
  const std::wstring config = own_directory() + L"\\link_double.txt";
  DeleteFileW(log.c_str());
  ASSERT_TRUE(write_file(config, "complete=about:blank\non=Navigate#1 +300 close\n"));
  SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", log.c_str());
  SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", config.c_str());

  // As a click on the link would.
  const wchar_t link[] = L"zorveloffice:open?doc=Report 1&lang=ar&name=تقرير";
  const INT_PTR shell = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", link, nullptr, nullptr, SW_SHOWNORMAL));
  EXPECT_GT(shell, 32);
  const std::string navigate = "Navigate https://zo-desk-app.zorvel.net/app/?platform=desktop&w="
                               "zorveloffice%3Aopen%3Fdoc%3DReport%201%26lang%3Dar%26name%3D"
                               "%D8%AA%D9%82%D8%B1%D9%8A%D8%B1\n";
  EXPECT_TRUE(
      eventually([&] { return read_file(log).find("\nNavigate ") != std::string::npos; }, 30000));
  const std::string calls = read_file(log);
  EXPECT_NE(calls.find("\n" + navigate), std::string::npos) << calls;
  EXPECT_TRUE(eventually([] { return !e2e::process_running(L"ZorvelOffice.exe"); }, 30000));
  SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr);
  SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", nullptr);

  ASSERT_EQ(run(L"msiexec /x " + quoted(package) + L" /qn"), 0);
  EXPECT_TRUE(eventually([&] { return !exists(machine_folder()); }));
  EXPECT_FALSE(exists(common_shortcut()));
  EXPECT_FALSE(exists(user_shortcut()));
  expect_no_registrations(HKEY_LOCAL_MACHINE, defaults);
  EXPECT_EQ(machine_entries(), std::vector<std::wstring>{});
  EXPECT_EQ(read_file(profile_file()), profile_bytes);
}

} // namespace
