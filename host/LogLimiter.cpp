#include "host/LogLimiter.h"

namespace mirrodex {

bool LogLimiter::Allow(const std::string& key, Clock::time_point now) {
  const auto found = lastLogged_.find(key);
  if (found != lastLogged_.end()) {
    if (now - found->second < period_) return false;
    found->second = now;
    return true;
  }
  if (lastLogged_.size() >= kMaxKeys) {
    std::erase_if(lastLogged_, [&](const auto& entry) { return now - entry.second >= period_; });
    if (lastLogged_.size() >= kMaxKeys) return false;
  }
  lastLogged_.emplace(key, now);
  return true;
}

}  // namespace mirrodex
