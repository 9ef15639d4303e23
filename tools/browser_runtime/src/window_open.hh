// What a page asked for when it opened a window, from the browser's Page.windowOpen event: the
// address, window.open's feature text (the browser's list of features joined with commas, e.g.
// "width=400,height=300,resizable") and whether a user gesture led to it.

#ifndef ZBR_WINDOW_OPEN_HH
#define ZBR_WINDOW_OPEN_HH

#include "json.hh"

#include <string>

namespace zbr {

struct WindowOpen {
  std::string url;
  std::string features;
  bool user_gesture = false;
};

WindowOpen window_open(const Json &params);

} // namespace zbr

#endif // ZBR_WINDOW_OPEN_HH
