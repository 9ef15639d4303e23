// A limit on how many times something may happen within a sliding window of time, so that a
// page cannot flood the user with browser tabs or balloons.
#ifndef ZORVEL_APP_BURST_LIMIT_HH
#define ZORVEL_APP_BURST_LIMIT_HH

#include <cstddef>
#include <cstdint>
#include <deque>

namespace zorvel {

class burst_limit {
public:
  burst_limit(std::size_t count, std::uint64_t window_ms) : count_(count), window_ms_(window_ms) {}

  // Whether one more event may happen at `now_ms` (a monotonic clock); counts it when it may.
  bool allow(std::uint64_t now_ms) {
    while (!times_.empty() && now_ms - times_.front() >= window_ms_) {
      times_.pop_front();
    }
    if (times_.size() >= count_) {
      return false;
    }
    times_.push_back(now_ms);
    return true;
  }

private:
  std::size_t count_;
  std::uint64_t window_ms_;
  std::deque<std::uint64_t> times_;
};

} // namespace zorvel

#endif
