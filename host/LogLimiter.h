// Lets a repeated log line through at most once per key and period, so that a peer that
// keeps knocking cannot fill the log. Bounded: it remembers at most a fixed number of keys,
// and stays silent for new keys while all of them are recent.
// Thread: one thread (the host's main loop).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace mirrodex {

class LogLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kMaxKeys = 1024;

  explicit LogLimiter(Clock::duration period = std::chrono::minutes(1)) : period_(period) {}

  // True when a line for `key` may be written at `now` (and records it).
  bool Allow(const std::string& key, Clock::time_point now);

 private:
  Clock::duration period_;
  std::unordered_map<std::string, Clock::time_point> lastLogged_;
};

}  // namespace mirrodex
