#include "script_dialog.hh"

#include "json.hh"

namespace zbr {

int script_dialog_kind(std::string_view type) {
  // Kinds: 0 alert, 1 confirm, 2 prompt, 3 beforeunload.
  constexpr std::string_view kTypes[] = {"alert", "confirm", "prompt", "beforeunload"};
  for (int kind = 0; kind < 4; ++kind) {
    if (kTypes[kind] == type) {
      return kind;
    }
  }
  return -1;
}

std::string script_dialog_answer(int kind, bool accepted, const std::string &prompt_text) {
  if (accepted && kind == 2) {
    return "{\"accept\":true,\"promptText\":" + quote(prompt_text) + "}";
  }
  return accepted ? "{\"accept\":true}" : "{\"accept\":false}";
}

} // namespace zbr
