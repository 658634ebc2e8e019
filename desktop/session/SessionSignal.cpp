#include "desktop/session/SessionSignal.h"

#include <chrono>

namespace mirrodex {

void SessionSignal::Stop() {
  stopped_ = true;
  Notify();
}

void SessionSignal::Notify() {
  // Taking the lock orders this wake-up after a sleeper's last look at its condition.
  { std::lock_guard lock(mutex_); }
  wake_.notify_all();
}

void SessionSignal::WaitFor(int ms, const std::function<bool()>& ready) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms),
                 [&] { return stopped_.load() || (ready && ready()); });
}

}  // namespace mirrodex
