// The agent's critical section: a mutex that std::lock_guard, std::unique_lock and
// std::condition_variable_any accept. Any thread; not recursive.
#pragma once

#include <mutex>

namespace mirrodex {

class CCSection {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool try_lock() { return mutex_.try_lock(); }

 private:
  std::mutex mutex_;
};

using CCSectionLock = std::lock_guard<CCSection>;

}  // namespace mirrodex
