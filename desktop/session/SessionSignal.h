// The stop flag both sessions share, and the wake-up for their sleeps. Owned by whoever
// creates the sessions (the connection controller); any thread may call anything.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace mirrodex {

class SessionSignal {
 public:
  void Stop();
  void Clear() { stopped_ = false; }
  bool IsStopped() const { return stopped_; }
  // Wakes every sleeper so it re-checks its condition.
  void Notify();
  // Sleeps up to `ms` milliseconds; returns early when stopped or when `ready` holds after a
  // Notify. `ready` may take other locks but must not call Notify.
  void WaitFor(int ms, const std::function<bool()>& ready);

 private:
  std::atomic<bool> stopped_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace mirrodex
