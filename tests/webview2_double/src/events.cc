#include "events.hh"

#include "controller.hh"
#include "log.hh"
#include "window_features.hh"

namespace wv2d {
namespace {

// The open web view to raise `event` on, with a note in the log when there is none.
ComPtr<Controller> target(const char *event) {
  ComPtr<Controller> controller = Controller::newest_open();
  if (!controller) {
    log_note(std::string("no open web view for ") + event);
  }
  return controller;
}

} // namespace

int raise_web_message(const std::wstring &message, bool is_json,
                      const std::optional<std::wstring> &source) {
  const auto controller = target("WebMessageReceived");
  return controller ? controller->web_view()->raise_web_message(message, is_json, source) : -1;
}

int raise_content_loading() {
  const auto controller = target("ContentLoading");
  return controller ? controller->web_view()->raise_content_loading() : -1;
}

int raise_navigation_starting(const std::optional<std::wstring> &uri) {
  const auto controller = target("NavigationStarting");
  return controller ? controller->web_view()->raise_navigation_starting(uri).first : -1;
}

int raise_permission_requested(int kind, const std::wstring &uri, int *state) {
  const auto controller = target("PermissionRequested");
  if (!controller) {
    return -1;
  }
  const auto [count, final_state] = controller->web_view()->raise_permission_requested(
      static_cast<COREWEBVIEW2_PERMISSION_KIND>(kind), uri);
  if (state) {
    *state = final_state;
  }
  return count;
}

int raise_navigation_completed(bool is_success, int status,
                               const std::optional<std::wstring> &source) {
  const auto controller = target("NavigationCompleted");
  return controller ? controller->web_view()->raise_navigation_completed(
                          is_success, static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(status), source)
                    : -1;
}

int raise_document_title_changed(const std::wstring &title) {
  const auto controller = target("DocumentTitleChanged");
  return controller ? controller->web_view()->raise_document_title_changed(title) : -1;
}

int raise_process_failed(int kind) {
  const auto controller = target("ProcessFailed");
  return controller ? controller->web_view()->raise_process_failed(
                          static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind))
                    : -1;
}

int raise_script_dialog(int kind, const std::wstring &message) {
  const auto controller = target("ScriptDialogOpening");
  return controller ? controller->web_view()->raise_script_dialog(
                          static_cast<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(kind), message)
                    : -1;
}

int raise_new_window(const std::wstring &uri, const std::optional<std::wstring> &features) {
  const auto controller = target("NewWindowRequested");
  return controller ? controller->web_view()->raise_new_window_requested(
                          uri, parse_window_features(features.value_or(L"")), true)
                    : -1;
}

int raise_window_close_requested() {
  const auto controller = target("WindowCloseRequested");
  return controller ? controller->web_view()->raise_window_close_requested() : -1;
}

void close_main_window() {
  const auto controller = target("CloseWindow");
  if (!controller) {
    return;
  }
  HWND root = GetAncestor(controller->parent(), GA_ROOT);
  if (!root) {
    log_note("no root window to close");
    return;
  }
  log_callback("CloseWindow", {Field::handle(root)});
  PostMessageW(root, WM_CLOSE, 0, 0);
}

void quit_message_loop() {
  log_callback("Quit", {});
  PostQuitMessage(0);
}

} // namespace wv2d
