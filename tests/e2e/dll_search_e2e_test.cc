// The real application opened on a document whose folder holds a planted WebView2Loader.dll, as
// Explorer starts it: the document's folder is the working directory, the program lives
// elsewhere with no loader beside it, and the runtime is found through its registration. The
// planted library must never run, and the program must work as usual.
#include "e2e_support.hh"
#include "process_driver.hh"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#ifndef ZORVEL_APP_EXE
#error "ZORVEL_APP_EXE (path of the built application) must be defined"
#endif
#ifndef PLANTED_LOADER_DLL
#error "PLANTED_LOADER_DLL (path of the planted library) must be defined"
#endif
#ifndef WV2D_RUNTIME_DLL
#error "WV2D_RUNTIME_DLL (path of the double's runtime client library) must be defined"
#endif

namespace {

using namespace e2e;

bool file_exists(const std::wstring &path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class DllSearch : public testing::Test {
protected:
  void SetUp() override {
    const std::wstring root = own_directory() + L"\\dll_search_e2e";
    program_ = root + L"\\program";
    documents_ = root + L"\\documents";
    for (const std::wstring &folder : {root, program_, documents_}) {
      CreateDirectoryW(folder.c_str(), nullptr);
    }
    for (const std::wstring &file : {marker(), log_path(), program_ + L"\\WebView2Loader.dll"}) {
      DeleteFileW(file.c_str());
    }
    ASSERT_TRUE(CopyFileW(windows_path(ZORVEL_APP_EXE).c_str(), exe().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(windows_path(PLANTED_LOADER_DLL).c_str(),
                          (documents_ + L"\\WebView2Loader.dll").c_str(), FALSE));
    ASSERT_TRUE(write_file(document(), "quarterly figures\n"));

    unregister_runtime();
    ASSERT_TRUE(register_runtime(
        HKEY_CURRENT_USER, runtime_folder_of(windows_path(WV2D_RUNTIME_DLL)), L"120.0.2210.91"));
    // The page lets the closing navigation go at once, so that WM_CLOSE ends the program.
    const std::wstring config = own_directory() + L"\\dll_search_e2e\\double.txt";
    ASSERT_TRUE(write_file(config, "complete=about:blank\n"));
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", log_path().c_str());
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", config.c_str());
  }

  void TearDown() override {
    unregister_runtime();
    SetEnvironmentVariableW(L"WV2_DOUBLE_LOG", nullptr);
    SetEnvironmentVariableW(L"WV2_DOUBLE_CONFIG", nullptr);
  }

  std::wstring exe() const { return program_ + L"\\ZorvelOffice.exe"; }
  std::wstring document() const { return documents_ + L"\\report.txt"; }
  std::wstring marker() const { return documents_ + L"\\planted_loader_ran.txt"; }
  std::wstring log_path() const { return own_directory() + L"\\dll_search_e2e\\double.log"; }

  // Whether the double logged a navigation of the program within `timeout_ms`.
  bool navigated(DWORD timeout_ms) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const std::string log = read_file(log_path());
      if (log.rfind("Navigate ", 0) == 0 || log.find("\nNavigate ") != std::string::npos) {
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      Sleep(50);
    }
  }

  std::wstring program_, documents_;
};

TEST_F(DllSearch, ALoaderInTheDocumentsFolderNeverRuns) {
  running_program app(quoted(exe()) + L" " + quoted(document()), documents_);
  ASSERT_TRUE(app.started());
  HWND window = app.find_window(L"webview", 20000);
  ASSERT_NE(window, nullptr) << "no window of class \"webview\"";
  EXPECT_TRUE(navigated(15000)) << "the registered runtime logged no navigation:\n"
                                << read_file(log_path());
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.wait(30000), 0) << "exit code after WM_CLOSE";
  EXPECT_FALSE(file_exists(marker())) << "the WebView2Loader.dll of the working directory ran";
}

} // namespace
