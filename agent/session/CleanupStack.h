// Owns the sessions' thread objects until the library is unloaded. Bounded: a push beyond
// the capacity is refused rather than written past the table.
// Threads: the agent's entry points only (they are serialised); destruction at unload first
// stops every loop and waits for all of them to end, then frees the entries in reverse order.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "agent/session/CPeriodic.h"

namespace mirrodex {

class CleanupStack {
 public:
  static constexpr size_t kCapacity = 100;

  CleanupStack() = default;
  ~CleanupStack();
  CleanupStack(const CleanupStack&) = delete;
  CleanupStack& operator=(const CleanupStack&) = delete;

  // Creates a thread object and records it; nullptr when the table is full.
  CPeriodic* NewPeriodic();
  size_t Size() const { return size_; }

 private:
  std::array<std::unique_ptr<CPeriodic>, kCapacity> entries_;
  size_t size_ = 0;
};

}  // namespace mirrodex
