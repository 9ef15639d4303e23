// Events raised on the newest open web view (Controller::newest_open), and the window actions
// of scripted rules. Each raise returns the number of handlers invoked, or -1 (with a note in
// the log) when no web view is open.

#ifndef WV2D_EVENTS_HH
#define WV2D_EVENTS_HH

#include <optional>
#include <string>

namespace wv2d {

// `source`, when given, is the sender's address instead of the web view's current source.
int raise_web_message(const std::wstring &message, bool is_json,
                      const std::optional<std::wstring> &source = std::nullopt);
int raise_content_loading();
// `uri`, when given, is the address being navigated to instead of the web view's source.
int raise_navigation_starting(const std::optional<std::wstring> &uri);
// `state`, when not null, receives the permission state the handlers left.
int raise_permission_requested(int kind, const std::wstring &uri, int *state);
int raise_navigation_completed(bool is_success, int status,
                               const std::optional<std::wstring> &source);
int raise_document_title_changed(const std::wstring &title);
int raise_process_failed(int kind);
int raise_script_dialog(int kind, const std::wstring &message);
// `features`: window.open's feature text; none for a plain window.
int raise_new_window(const std::wstring &uri, const std::optional<std::wstring> &features);
int raise_window_close_requested();

// Posts WM_CLOSE to the root window of the newest open controller's parent window.
void close_main_window();

// Posts WM_QUIT to the calling thread.
void quit_message_loop();

} // namespace wv2d

#endif // WV2D_EVENTS_HH
