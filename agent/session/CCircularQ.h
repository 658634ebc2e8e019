// A small ring queue of session state numbers, guarded by its own critical section.
// Any thread may push, reset or pop; a session thread is the only one that pops.
#pragma once

#include <array>
#include <cstdint>

#include "agent/session/CCSection.h"

namespace mirrodex {

class CCircularQ {
 public:
  static constexpr uint32_t kCapacity = 16;

  // False, queueing nothing, when the ring is full.
  [[nodiscard]] bool Push(uint32_t state);
  // Empties the ring and queues `state` in one step, so nothing queued in between survives.
  void ResetAndPush(uint32_t state);
  void Reset();
  // False when empty.
  [[nodiscard]] bool Pop(uint32_t& state);
  bool IsEmpty() const;

 private:
  mutable CCSection section_;
  std::array<uint32_t, kCapacity> states_{};
  uint32_t head_ = 0;
  uint32_t count_ = 0;
};

}  // namespace mirrodex
