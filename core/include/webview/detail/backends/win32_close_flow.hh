// Closing the main window lets the page confirm leaving first, as a browser does: the page is
// navigated away, so its beforeunload handler runs; when it asks, the user chooses between
// leaving (the window closes) and staying (it stays). A page that does not answer within the
// leave deadline makes the engine ask whether to close anyway. The page's other dialogs (alert,
// confirm, prompt, and beforeunload outside closing) are shown natively as well, one at a time.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_CLOSE_FLOW_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_CLOSE_FLOW_HH

#include "win32_edge_engine.hh"
#include "win32_page_dialogs.hh"

#include <memory>

namespace webview {
namespace detail {

inline void win32_edge_engine::on_close_requested() {
  if (dialog_shown || leave_asked) {
    return; // the user or the page is deciding already; asking again would decide for them
  }
  if (!browser || lost) {
    finish_leaving();
    return;
  }
  leave_asked = true;
  closing_abandoned = false;
  closing_navigation_done = false;
  closing_navigation.reset();
  SetTimer(main_window, leave_timer_id, static_cast<UINT>(deadlines.leave.count()), nullptr);
  if (FAILED(browser->Navigate(L"about:blank"))) {
    finish_leaving();
  }
}

inline void win32_edge_engine::on_script_dialog(ICoreWebView2ScriptDialogOpeningEventArgs *args) {
  if (args == nullptr) {
    return;
  }
  COREWEBVIEW2_SCRIPT_DIALOG_KIND kind{};
  if (leave_asked && SUCCEEDED(args->get_Kind(&kind)) &&
      kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD) {
    stop_leave_timer(); // the page answered; the user may take as long as they need
  }
  ICoreWebView2Deferral *deferral = nullptr;
  if (FAILED(args->GetDeferral(&deferral)) || deferral == nullptr) {
    // Without a deferral the answer must be given before the handler returns.
    answer_page_dialog({com_ref<ICoreWebView2ScriptDialogOpeningEventArgs>::share(args), {}});
    return;
  }
  // Shown from the loop, not inside the browser's callback; the deferral holds the answer.
  waiting_dialogs.push_back({com_ref<ICoreWebView2ScriptDialogOpeningEventArgs>::share(args),
                             com_ref<ICoreWebView2Deferral>::adopt(deferral)});
  if (!dispatch([this] { show_next_page_dialog(); }).ok()) {
    answer_waiting_dialogs_unshown();
  }
}

inline void win32_edge_engine::show_next_page_dialog() {
  if (dialog_shown || waiting_dialogs.empty()) {
    return; // the dialog on screen shows the next one when it closes
  }
  page_dialog next = std::move(waiting_dialogs.front());
  waiting_dialogs.pop_front();
  answer_page_dialog(std::move(next));
}

inline void win32_edge_engine::answer_waiting_dialogs_unshown() {
  while (!waiting_dialogs.empty()) {
    page_dialog d = std::move(waiting_dialogs.front());
    waiting_dialogs.pop_front();
    if (d.deferral) {
      d.deferral->Complete(); // not accepted: Cancel, or stay on the page
    }
  }
}

inline void win32_edge_engine::answer_page_dialog(page_dialog dialog) {
  auto &args = dialog.args;
  if (destroying || main_window == nullptr) {
    if (dialog.deferral) {
      dialog.deferral->Complete();
    }
    return;
  }
  COREWEBVIEW2_SCRIPT_DIALOG_KIND kind{};
  args->get_Kind(&kind);
  const std::wstring message =
      take_browser_wide_text([&](LPWSTR *t) { return args->get_Message(t); });
  std::wstring caption =
      page_host(take_browser_wide_text([&](LPWSTR *t) { return args->get_Uri(t); }));
  if (caption.empty()) {
    caption = window_caption();
  }
  bool accepted = false;
  dialog_shown = true;
  switch (kind) {
  case COREWEBVIEW2_SCRIPT_DIALOG_KIND_ALERT:
    MessageBoxW(main_window, message.c_str(), caption.c_str(), MB_OK);
    accepted = true;
    break;
  case COREWEBVIEW2_SCRIPT_DIALOG_KIND_CONFIRM:
    accepted = MessageBoxW(main_window, message.c_str(), caption.c_str(), MB_OKCANCEL) == IDOK;
    break;
  case COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT: {
    prompt_answer answer{
        take_browser_wide_text([&](LPWSTR *t) { return args->get_DefaultText(t); })};
    accepted = ask_page_prompt(main_window, caption, message, answer);
    if (accepted) {
      args->put_ResultText(answer.text.c_str());
    }
    break;
  }
  case COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD:
    // No is the default: Enter never discards work. A closing the user gave up keeps the page.
    accepted = !closing_abandoned &&
               MessageBoxW(main_window, texts.leave.c_str(), window_caption().c_str(),
                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    break;
  default:
    break;
  }
  dialog_shown = false;
  if (accepted) {
    args->Accept();
  }
  if (dialog.deferral) {
    dialog.deferral->Complete();
  }
  if (kind == COREWEBVIEW2_SCRIPT_DIALOG_KIND_BEFOREUNLOAD && leave_asked) {
    if (accepted) {
      finish_leaving();
    } else {
      stay_on_page();
    }
  }
  after_dialog();
}

// The page did not answer within the leave deadline: the user decides, never the clock.
inline void win32_edge_engine::on_leave_deadline() {
  stop_leave_timer();
  if (!leave_asked || dialog_shown) {
    return;
  }
  dialog_shown = true;
  const bool close =
      MessageBoxW(main_window, texts.close_unresponsive.c_str(), window_caption().c_str(),
                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
  dialog_shown = false;
  if (close || closing_navigation_done) {
    finish_leaving(); // also when the page let go while the question was up
  } else if (leave_asked) {
    stay_on_page();
    closing_abandoned = true; // a late question of the page about this closing keeps it
    if (browser) {
      browser->Stop();
    }
  }
  after_dialog();
}

inline void win32_edge_engine::on_closing_navigation_completed(std::uint64_t id, bool id_known) {
  if (id_known && closing_navigation && *closing_navigation != id) {
    return; // another navigation ended; the page has not answered the closing one yet
  }
  if (dialog_shown) {
    closing_navigation_done = true; // decided when the question on screen is answered
    return;
  }
  finish_leaving(); // the page let the closing navigation go without asking
}

inline void win32_edge_engine::after_dialog() {
  if (!waiting_dialogs.empty()) {
    dispatch([this] { show_next_page_dialog(); });
  }
  schedule_failures();
}

inline std::wstring win32_edge_engine::window_caption() const {
  wchar_t caption[256] = {};
  if (main_window != nullptr) {
    GetWindowTextW(main_window, caption, 256);
  }
  return caption;
}

inline void win32_edge_engine::finish_leaving() {
  stop_leave_timer();
  leave_asked = false;
  if (main_window != nullptr) {
    DestroyWindow(main_window);
  }
}

inline void win32_edge_engine::stay_on_page() {
  stop_leave_timer();
  leave_asked = false;
}

inline void win32_edge_engine::stop_leave_timer() {
  if (main_window != nullptr) {
    KillTimer(main_window, leave_timer_id);
  }
}

} // namespace detail
} // namespace webview

#endif
