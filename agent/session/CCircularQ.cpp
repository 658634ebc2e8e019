#include "agent/session/CCircularQ.h"

namespace mirrodex {

bool CCircularQ::Push(uint32_t state) {
  CCSectionLock lock(section_);
  if (count_ == kCapacity) return false;
  states_[(head_ + count_) % kCapacity] = state;
  ++count_;
  return true;
}

void CCircularQ::ResetAndPush(uint32_t state) {
  CCSectionLock lock(section_);
  head_ = 0;
  count_ = 1;
  states_[0] = state;
}

void CCircularQ::Reset() {
  CCSectionLock lock(section_);
  head_ = 0;
  count_ = 0;
}

bool CCircularQ::Pop(uint32_t& state) {
  CCSectionLock lock(section_);
  if (count_ == 0) return false;
  state = states_[head_];
  head_ = (head_ + 1) % kCapacity;
  --count_;
  return true;
}

bool CCircularQ::IsEmpty() const {
  CCSectionLock lock(section_);
  return count_ == 0;
}

}  // namespace mirrodex
