// Where the main window comes back: the normal size and place it had when the user last closed
// it, its monitor and whether it was maximised, kept in a small text file. Plain rules on
// rectangles, so that they can be tried on any monitor layout.
//
// The file, UTF-8 text, one item a line:
//   zorvel-window 1
//   normal LEFT TOP RIGHT BOTTOM      (the window's normal rectangle, screen coordinates)
//   maximized 0|1
//   monitor LEFT TOP RIGHT BOTTOM     (the whole area of the monitor it was on)
// Anything else, a missing line or an empty rectangle makes the file unusable, and the window
// is placed as on a first start.
#ifndef ZORVEL_APP_WINDOW_PLACEMENT_HH
#define ZORVEL_APP_WINDOW_PLACEMENT_HH

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zorvel {

struct screen_rect {
  long left = 0, top = 0, right = 0, bottom = 0;
  long width() const { return right - left; }
  long height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool operator==(const screen_rect &o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct window_placement {
  screen_rect normal;
  bool maximized = false;
  screen_rect monitor;
};

struct monitor_area {
  screen_rect whole; // the monitor
  screen_rect work;  // less the taskbar
  bool primary = false;
};

inline std::string format_placement(const window_placement &p) {
  std::ostringstream out;
  auto rect = [&out](const screen_rect &r) {
    out << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom << '\n';
  };
  out << "zorvel-window 1\nnormal ";
  rect(p.normal);
  out << "maximized " << (p.maximized ? 1 : 0) << "\nmonitor ";
  rect(p.monitor);
  return out.str();
}

inline std::optional<window_placement> parse_placement(const std::string &text) {
  std::istringstream in(text);
  std::string word;
  int version = 0, maximized = -1;
  window_placement p;
  if (!(in >> word >> version) || word != "zorvel-window" || version != 1) {
    return std::nullopt;
  }
  auto rect = [&in](const char *name, screen_rect &r) {
    std::string key;
    return static_cast<bool>(in >> key >> r.left >> r.top >> r.right >> r.bottom) && key == name;
  };
  if (!rect("normal", p.normal) || !(in >> word >> maximized) || word != "maximized" ||
      (maximized != 0 && maximized != 1) || !rect("monitor", p.monitor) || !(in >> std::ws).eof() ||
      p.normal.empty() || p.monitor.empty()) {
    return std::nullopt;
  }
  p.maximized = maximized == 1;
  return p;
}

// `r` moved (and, when larger, shrunk) so that it lies whole inside `work`.
inline screen_rect kept_inside(const screen_rect &r, const screen_rect &work) {
  const long w = std::min(r.width(), work.width());
  const long h = std::min(r.height(), work.height());
  const long left = std::max(work.left, std::min(r.left, work.right - w));
  const long top = std::max(work.top, std::min(r.top, work.bottom - h));
  return {left, top, left + w, top + h};
}

// The rectangle to show the window in: on its monitor when that monitor is still attached (the
// same area), else centred on the primary one; never larger than the work area and always
// whole inside it.
inline screen_rect restored_rect(const window_placement &p,
                                 const std::vector<monitor_area> &monitors) {
  const monitor_area *target = nullptr;
  for (const auto &m : monitors) {
    if (m.whole == p.monitor) {
      target = &m;
    }
  }
  const bool same_monitor = target != nullptr;
  for (const auto &m : monitors) {
    if (target == nullptr && m.primary) {
      target = &m;
    }
  }
  if (target == nullptr) {
    return p.normal; // no monitor known at all: nothing to fit into
  }
  const screen_rect &work = target->work;
  const long w = std::min(p.normal.width(), work.width());
  const long h = std::min(p.normal.height(), work.height());
  const long left = same_monitor ? p.normal.left : work.left + (work.width() - w) / 2;
  const long top = same_monitor ? p.normal.top : work.top + (work.height() - h) / 2;
  return kept_inside({left, top, left + w, top + h}, work);
}

// A further window: the size of the one it comes from, `step` lower and to the right, so that
// the title bar of that one stays in sight; back at the work area's top-left corner when it
// would leave the work area.
inline screen_rect cascaded_rect(const screen_rect &from, long step, const screen_rect &work) {
  screen_rect next{from.left + step, from.top + step, from.right + step, from.bottom + step};
  if (next.right > work.right || next.bottom > work.bottom) {
    next = {work.left, work.top, work.left + from.width(), work.top + from.height()};
  }
  return kept_inside(next, work);
}

} // namespace zorvel

#endif
