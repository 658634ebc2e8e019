#include "desktop/session/StateQueue.h"

namespace mirrodex {

bool StateQueue::PushLocked(uint32_t state) {
  if (count_ == kCapacity) return false;
  states_[write_] = state;
  write_ = (write_ + 1) % kCapacity;
  ++count_;
  return true;
}

bool StateQueue::PushState(uint32_t state) {
  std::lock_guard lock(mutex_);
  return PushLocked(state);
}

uint32_t StateQueue::PopState() {
  std::lock_guard lock(mutex_);
  if (count_ == 0) return 0;
  const uint32_t state = states_[read_];
  read_ = (read_ + 1) % kCapacity;
  --count_;
  return state;
}

void StateQueue::ResetStates() {
  std::lock_guard lock(mutex_);
  read_ = write_ = count_ = 0;
}

void StateQueue::ResetAndPush(uint32_t state, const std::function<void()>& underLock) {
  std::lock_guard lock(mutex_);
  if (underLock) underLock();
  read_ = write_ = count_ = 0;
  PushLocked(state);
}

bool StateQueue::IsEmpty() const {
  std::lock_guard lock(mutex_);
  return count_ == 0;
}

}  // namespace mirrodex
