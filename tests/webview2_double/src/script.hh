// Scripted events: rules of the form "when the Nth log line named NAME is written, perform ACTION
// (after DELAY ms)". The action is queued on the message loop of the thread that wrote the line
// (callback_queue.hh), so it never runs inside the program's call that triggered it.

#ifndef WV2D_SCRIPT_HH
#define WV2D_SCRIPT_HH

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace wv2d {

struct Action {
  enum class Kind {
    web_message,            // text: the message string
    web_message_json,       // text: the JSON of a message that is not a string
    web_message_from,       // source: the sender's address; text: the message string
    content_loading,        // a new top-level document starts loading
    navigation_starting,    // text: optional address being navigated to
    permission,             // number: permission kind; text: address of the requesting page
    navigation_completed,   // number: IsSuccess; status: web error status; text: optional source
    title,                  // text: the new document title
    close,                  // WM_CLOSE to the root window of the newest controller's parent
    quit,                   // PostQuitMessage(0) on the thread that runs the action
    process_failed,         // number: COREWEBVIEW2_PROCESS_FAILED_KIND
    script_dialog,          // number: COREWEBVIEW2_SCRIPT_DIALOG_KIND; text: optional message
    new_window,             // source: the address; text: optional window features
    window_close_requested, // the page asks to close its window
  };
  Kind kind = Kind::quit;
  int number = 0;
  int status = 0;
  std::optional<std::wstring> text;
  std::optional<std::wstring> source;
};

struct Rule {
  std::string name; // the log line name that triggers the rule
  int occurrence;   // the Nth line of that name (from 1); 0 means every one
  int last = 0;     // with a range N-M: the last line of the range
  DWORD delay_ms;
  Action action;
};

void add_rule(Rule rule);

// Removes every rule and forgets how many lines of each name were written.
void clear_rules();

// Called by the log for every line written, with the line's name.
void notify_logged(std::string_view name);

// Performs `action` now, on the calling thread.
void perform(const Action &action);

} // namespace wv2d

#endif // WV2D_SCRIPT_HH
