// The page's script dialogs: the browser's dialog types as WebView2 dialog kinds, and the
// parameters of the command that answers a dialog.

#ifndef ZBR_SCRIPT_DIALOG_HH
#define ZBR_SCRIPT_DIALOG_HH

#include <string>
#include <string_view>

namespace zbr {

// COREWEBVIEW2_SCRIPT_DIALOG_KIND of "alert", "confirm", "prompt" or "beforeunload"; -1 for
// any other type.
int script_dialog_kind(std::string_view type);

// Parameters of Page.handleJavaScriptDialog: accepted or not, with `prompt_text` as the
// prompt's answer when a prompt (kind 2) is accepted.
std::string script_dialog_answer(int kind, bool accepted, const std::string &prompt_text);

} // namespace zbr

#endif // ZBR_SCRIPT_DIALOG_HH
