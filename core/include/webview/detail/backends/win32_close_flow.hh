// Closing the main window lets the page confirm leaving first, as a browser does: the page is
// navigated away, so its beforeunload handler runs; when it asks, the user chooses between
// leaving (the window closes) and staying (it stays). A page that does not answer within the
// leave deadline never keeps the window open.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_CLOSE_FLOW_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_CLOSE_FLOW_HH

#include "win32_edge_engine.hh"

#include <memory>

namespace webview {
namespace detail {

inline void win32_edge_engine::on_close_requested() {
  if (leave_dialog) {
    return; // the user is answering the page's question
  }
  if (!browser || leave_asked || lost) {
    finish_leaving(); // nothing to ask, or closed again while the page is slow to answer
    return;
  }
  leave_asked = true;
  // The page's question reaches the engine only while the browser's own dialogs are off.
  set_default_script_dialogs(false);
  SetTimer(main_window, leave_timer_id, static_cast<UINT>(deadlines.leave.count()), nullptr);
  if (FAILED(browser->Navigate(L"about:blank"))) {
    finish_leaving();
  }
}

inline void win32_edge_engine::on_script_dialog(ICoreWebView2ScriptDialogOpeningEventArgs *args) {
  COREWEBVIEW2_SCRIPT_DIALOG_KIND kind{};
  if (!leave_asked || leave_dialog || args == nullptr || FAILED(args->get_Kind(&kind)) ||
      kind != COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD) {
    return; // any other dialog while closing is dismissed
  }
  leave_dialog = true;
  stop_leave_timer(); // the user may take as long as they need
  ICoreWebView2Deferral *deferral = nullptr;
  if (FAILED(args->GetDeferral(&deferral)) || deferral == nullptr) {
    ask_to_leave(com_ref<ICoreWebView2ScriptDialogOpeningEventArgs>::share(args), {});
    return;
  }
  // Asked from the loop, not inside the browser's callback; the deferral holds the answer.
  auto held = std::make_shared<std::pair<com_ref<ICoreWebView2ScriptDialogOpeningEventArgs>,
                                         com_ref<ICoreWebView2Deferral>>>(
      com_ref<ICoreWebView2ScriptDialogOpeningEventArgs>::share(args),
      com_ref<ICoreWebView2Deferral>::adopt(deferral));
  if (!dispatch([this, held] {
         ask_to_leave(std::move(held->first), std::move(held->second));
       }).ok()) {
    held->second->Complete();
    finish_leaving();
  }
}

inline void win32_edge_engine::ask_to_leave(com_ref<ICoreWebView2ScriptDialogOpeningEventArgs> args,
                                            com_ref<ICoreWebView2Deferral> deferral) {
  if (destroying || main_window == nullptr) {
    if (deferral) {
      deferral->Complete();
    }
    return;
  }
  wchar_t caption[256] = {};
  GetWindowTextW(main_window, caption, 256);
  const bool leave =
      MessageBoxW(main_window, leave_prompt.c_str(), caption, MB_YESNO | MB_ICONWARNING) == IDYES;
  if (leave) {
    args->Accept();
  }
  if (deferral) {
    deferral->Complete();
  }
  if (leave) {
    finish_leaving();
  } else {
    stay_on_page();
  }
}

inline void win32_edge_engine::finish_leaving() {
  stop_leave_timer();
  leave_asked = false;
  leave_dialog = false;
  if (main_window != nullptr) {
    DestroyWindow(main_window);
  }
}

inline void win32_edge_engine::stay_on_page() {
  leave_asked = false;
  leave_dialog = false;
  set_default_script_dialogs(true);
}

inline void win32_edge_engine::set_default_script_dialogs(bool enabled) {
  if (!browser) {
    return;
  }
  ICoreWebView2Settings *settings = nullptr;
  if (SUCCEEDED(browser->get_Settings(&settings)) && settings != nullptr) {
    settings->put_AreDefaultScriptDialogsEnabled(enabled ? TRUE : FALSE);
    settings->Release();
  }
}

inline void win32_edge_engine::stop_leave_timer() {
  if (main_window != nullptr) {
    KillTimer(main_window, leave_timer_id);
  }
}

} // namespace detail
} // namespace webview

#endif
