#include "event_list.hh"

#include <atomic>

namespace wv2d {

INT64 next_event_token() {
  static std::atomic<INT64> last{0};
  return ++last;
}

} // namespace wv2d
