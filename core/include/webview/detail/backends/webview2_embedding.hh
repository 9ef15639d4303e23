// Steps of putting the browser control into a window that need nothing of the engine: where the
// browser profile lives, and the settings the engine requires.
#ifndef WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_EMBEDDING_HH
#define WEBVIEW_DETAIL_BACKENDS_WEBVIEW2_EMBEDDING_HH

#include "../op_result.hh"
#include "webview2_interfaces.hh"

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <string>

namespace webview {
namespace detail {

// The browser profile lives in the roaming application-data folder, in a folder named after the
// executable's file name (extension included). False when that folder cannot be found.
inline bool make_user_data_folder(std::wstring &folder) {
  wchar_t exe_path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe_path, MAX_PATH);
  const wchar_t *exe_name = PathFindFileNameW(exe_path);
  wchar_t app_data[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data))) {
    return false;
  }
  wchar_t combined[MAX_PATH] = {};
  PathCombineW(combined, app_data, exe_name);
  folder = combined;
  return true;
}

// Developer tools as asked, no status bar (each call must answer exactly S_OK), and no default
// script dialogs.
inline op_status apply_browser_settings(ICoreWebView2 *browser, bool debug) {
  ICoreWebView2Settings *settings = nullptr;
  if (browser->get_Settings(&settings) != S_OK || settings == nullptr) {
    if (settings != nullptr) {
      settings->Release();
    }
    return op_status::failure(error_unspecified, "get_Settings failed");
  }
  op_status status;
  if (settings->put_AreDevToolsEnabled(debug ? TRUE : FALSE) != S_OK) {
    status = op_status::failure(error_unspecified, "put_AreDevToolsEnabled failed");
  } else if (settings->put_IsStatusBarEnabled(FALSE) != S_OK) {
    status = op_status::failure(error_unspecified, "put_IsStatusBarEnabled failed");
  } else {
    // The page's dialogs come to the host from the first document on: the browser reads this
    // when it loads a document, so turning it off later would miss the page already loaded.
    // Without it pages still work, with the browser's own dialogs.
    settings->put_AreDefaultScriptDialogsEnabled(FALSE);
  }
  settings->Release();
  return status;
}

} // namespace detail
} // namespace webview

#endif
