// The modules themselves: their exports, their imports, DllCanUnloadNow, and the pinning that
// keeps a module loaded once it has handed out anything that runs its code later.

#include "double_client.hh"

#include <string>
#include <vector>

namespace wv2d_test {
namespace {

struct ModuleCase {
  const char *path;
  std::vector<const char *> exported;
  std::vector<const char *> absent;
};

// The names of the DLLs `module` imports from.
std::vector<std::string> imported_dlls(HMODULE module) {
  const auto base = reinterpret_cast<const BYTE *>(module);
  const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  for (auto entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
       directory.VirtualAddress != 0 && entry->Name != 0; ++entry) {
    names.emplace_back(reinterpret_cast<const char *>(base + entry->Name));
  }
  return names;
}

TEST(DoubleModules, ExportTheirEntryPointsUndecoratedAndImportOnlySystemLibraries) {
  const ModuleCase cases[] = {
      {WV2D_PATH_WEBVIEW2_DOUBLE_LOADER,
       {"CreateCoreWebView2EnvironmentWithOptions", "GetAvailableCoreWebView2BrowserVersionString"},
       {"CreateWebViewEnvironmentWithOptionsInternal", "DllCanUnloadNow"}},
      {WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME,
       {"CreateWebViewEnvironmentWithOptionsInternal", "DllCanUnloadNow"},
       {"CreateCoreWebView2EnvironmentWithOptions",
        "GetAvailableCoreWebView2BrowserVersionString"}},
      {WV2D_PATH_WEBVIEW2_DOUBLE_LOADER_WITHOUT_ENTRY_POINTS,
       {},
       {"CreateCoreWebView2EnvironmentWithOptions", "GetAvailableCoreWebView2BrowserVersionString",
        "CreateWebViewEnvironmentWithOptionsInternal", "DllCanUnloadNow"}},
      {WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME_WITHOUT_CREATION,
       {"DllCanUnloadNow"},
       {"CreateWebViewEnvironmentWithOptionsInternal", "CreateCoreWebView2EnvironmentWithOptions",
        "GetAvailableCoreWebView2BrowserVersionString"}},
  };
  for (const ModuleCase &c : cases) {
    SCOPED_TRACE(c.path);
    const HMODULE module = LoadLibraryW(module_path(c.path).c_str());
    ASSERT_NE(module, nullptr);
    for (const char *name : c.exported) {
      EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    }
    for (const char *name : c.absent) {
      EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
    }
    EXPECT_TRUE(wv2d::Api::load(module).valid());
    const std::vector<std::string> imports = imported_dlls(module);
    EXPECT_FALSE(imports.empty());
    for (std::string dll : imports) {
      // libstdc++, libgcc and winpthread must be linked in, not imported.
      CharLowerA(&dll[0]);
      EXPECT_NE(dll.rfind("lib", 0), 0u) << dll;
    }
    FreeLibrary(module);
  }
}

// The product version a loader reads from the client library when given an explicit folder.
std::wstring product_version(const std::wstring &file) {
  std::vector<BYTE> block(GetFileVersionInfoSizeW(file.c_str(), nullptr));
  if (block.empty() ||
      !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    return L"(no version resource)";
  }
  wchar_t *text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                      reinterpret_cast<void **>(&text), &length) ||
      !text) {
    return L"(no ProductVersion)";
  }
  return std::wstring(text, wcsnlen(text, length));
}

TEST(DoubleModules, ClientLibrariesCarryTheRuntimeVersionAsProductVersion) {
  EXPECT_EQ(product_version(module_path(WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME)), L"120.0.2210.91");
  EXPECT_EQ(product_version(module_path(WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME_WITHOUT_CREATION)),
            L"120.0.2210.91");
}

TEST(DoubleModules, RuntimeFolderHasTheLayoutTheRegistryPointsTo) {
  const std::wstring runtime = module_path(WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME);
  const std::wstring tail =
      L"\\" + widen(WV2D_RUNTIME_VERSION) + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
  ASSERT_GT(runtime.size(), tail.size());
  EXPECT_EQ(runtime.substr(runtime.size() - tail.size()), tail);
  EXPECT_EQ(module_path(WV2D_PATH_WEBVIEW2_DOUBLE_LOADER).substr(executable_directory().size()),
            L"loader\\WebView2Loader.dll");
}

// A private copy of a module, so that pinning it does not affect the other tests.
class ModuleCopy {
public:
  ModuleCopy(const char *relative, const wchar_t *name) {
    remove_stale_copies();
    path_ = temporary_path(name);
    copied_ = CopyFileW(module_path(relative).c_str(), path_.c_str(), FALSE) != FALSE;
  }
  ModuleCopy(const ModuleCopy &) = delete;
  ModuleCopy &operator=(const ModuleCopy &) = delete;
  ~ModuleCopy() { DeleteFileW(path_.c_str()); } // fails while pinned; harmless

  bool copied() const { return copied_; }
  const std::wstring &path() const { return path_; }
  bool loaded() const { return GetModuleHandleW(path_.c_str()) != nullptr; }

  // Whether the module stays loaded however often it is freed (Wine itself may hold a reference
  // or two, for instance for a window class of the module, so one FreeLibrary proves nothing).
  bool survives_free_library() const {
    for (int i = 0; i < 8 && loaded(); ++i) {
      FreeLibrary(GetModuleHandleW(path_.c_str()));
    }
    return loaded();
  }

private:
  // Copies left by earlier runs: a pinned module cannot be deleted by the process that pinned it.
  static void remove_stale_copies() {
    const std::wstring pattern = temporary_path(L"");
    const std::wstring directory = pattern.substr(0, pattern.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"wv2d_*_pinned_*.dll").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      return;
    }
    do {
      DeleteFileW((directory + found.cFileName).c_str()); // fails for modules still in use
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  std::wstring path_;
  bool copied_ = false;
};

class ComApartment {
public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ComApartment(const ComApartment &) = delete;
  ComApartment &operator=(const ComApartment &) = delete;
  ~ComApartment() { CoUninitialize(); }
};

TEST(DoubleModules, LoaderStaysUnpinnedUntilItHandsOutSomethingThenOutlivesFreeLibrary) {
  ComApartment apartment;
  ModuleCopy copy(WV2D_PATH_WEBVIEW2_DOUBLE_LOADER, L"pinned_loader.dll");
  ASSERT_TRUE(copy.copied());

  // A version query hands out only a string: the module can still be unloaded.
  HMODULE module = LoadLibraryW(copy.path().c_str());
  ASSERT_NE(module, nullptr);
  auto version_query =
      reinterpret_cast<webview::detail::GetAvailableCoreWebView2BrowserVersionString_t>(
          reinterpret_cast<void *>(
              GetProcAddress(module, "GetAvailableCoreWebView2BrowserVersionString")));
  CoTaskText version;
  ASSERT_EQ(version_query(nullptr, version.put()), S_OK);
  FreeLibrary(module);
  EXPECT_FALSE(copy.loaded());

  // Creation queues a callback: from then on the module survives the program's FreeLibrary.
  module = LoadLibraryW(copy.path().c_str());
  ASSERT_NE(module, nullptr);
  auto create = reinterpret_cast<webview::detail::CreateCoreWebView2EnvironmentWithOptions_t>(
      reinterpret_cast<void *>(GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions")));
  const wv2d::Api api = wv2d::Api::load(module);
  EnvironmentHandler handler;
  Ref<ICoreWebView2Environment> environment;
  handler.on_invoke = [&](HRESULT, ICoreWebView2Environment *created) {
    environment.assign(created);
  };
  ASSERT_EQ(create(nullptr, L"C:\\profile", nullptr, &handler), S_OK);
  FreeLibrary(module);
  EXPECT_TRUE(copy.loaded());
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  ASSERT_NE(environment.get(), nullptr);
  CoTaskText environment_version;
  EXPECT_EQ(environment->get_BrowserVersionString(environment_version.put()), S_OK);
  EXPECT_EQ(environment_version.str(), L"" WV2D_RUNTIME_VERSION);
  environment.reset();
  EXPECT_EQ(api.live_objects(), 0);
  EXPECT_TRUE(copy.survives_free_library());
}

TEST(DoubleModules, RuntimeLibrarySurvivesBeingFreedRightAfterTheCreationCall) {
  ComApartment apartment;
  ModuleCopy copy(WV2D_PATH_WEBVIEW2_DOUBLE_RUNTIME, L"pinned_runtime.dll");
  ASSERT_TRUE(copy.copied());
  EnvironmentHandler handler;
  {
    // As the program does: load, call the creation entry point, free.
    HMODULE module = LoadLibraryW(copy.path().c_str());
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<webview::detail::CreateWebViewEnvironmentWithOptionsInternal_t>(
        reinterpret_cast<void *>(
            GetProcAddress(module, "CreateWebViewEnvironmentWithOptionsInternal")));
    ASSERT_EQ(create(1, 0, L"C:\\profile", nullptr, &handler), S_OK);
    FreeLibrary(module);
  }
  ASSERT_TRUE(copy.loaded());
  HRESULT result = E_FAIL;
  handler.on_invoke = [&](HRESULT r, ICoreWebView2Environment *created) {
    result = r;
    ASSERT_NE(created, nullptr);
  };
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(handler.references(), 1u);
  EXPECT_EQ(wv2d::Api::loaded(copy.path().c_str()).live_objects(), 0);
  EXPECT_TRUE(copy.survives_free_library());
}

class RuntimeModuleTest : public DoubleTest {};

TEST_P(RuntimeModuleTest, DllCanUnloadNowReportsWhetherAnythingIsAliveOrQueued) {
  auto can_unload = reinterpret_cast<webview::detail::DllCanUnloadNow_t>(
      reinterpret_cast<void *>(GetProcAddress(module_, "DllCanUnloadNow")));
  ASSERT_NE(can_unload, nullptr);
  EXPECT_EQ(can_unload(), S_OK);

  EnvironmentHandler handler;
  Ref<ICoreWebView2Environment> environment;
  handler.on_invoke = [&](HRESULT, ICoreWebView2Environment *created) {
    environment.assign(created);
  };
  ASSERT_EQ(create_environment(L"C:\\profile", handler), S_OK);
  EXPECT_EQ(can_unload(), S_FALSE); // a callback is queued
  ASSERT_TRUE(pump_until([&] { return handler.invocations > 0; }));
  EXPECT_EQ(can_unload(), S_FALSE); // the environment lives
  environment.reset();
  EXPECT_EQ(can_unload(), S_OK);

  api_.set_fault("DllCanUnloadNow", S_FALSE, 1);
  EXPECT_EQ(can_unload(), S_FALSE);
  EXPECT_EQ(can_unload(), S_OK);
  const auto calls = api_.program_calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.back(), "DllCanUnloadNow");
}

INSTANTIATE_TEST_SUITE_P(Runtime, RuntimeModuleTest, testing::Values(Flavour::runtime),
                         flavour_name);

} // namespace
} // namespace wv2d_test
