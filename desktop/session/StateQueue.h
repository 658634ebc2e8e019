// A small ring queue of state numbers that steers a session thread. Any thread may push; the
// session thread pops. Every operation takes the queue's own lock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

namespace mirrodex {

class StateQueue {
 public:
  static constexpr uint32_t kCapacity = 10;

  // False, storing nothing, when the queue is full.
  bool PushState(uint32_t state);
  // The oldest state, or 0 (wait) when the queue is empty.
  uint32_t PopState();
  void ResetStates();
  // Runs `underLock` (may be empty), empties the queue and pushes `state`, all under the
  // queue's lock, so a state pushed by a thread that `underLock` woke lands behind `state`.
  void ResetAndPush(uint32_t state, const std::function<void()>& underLock);
  bool IsEmpty() const;

 private:
  bool PushLocked(uint32_t state);

  mutable std::mutex mutex_;
  std::array<uint32_t, kCapacity> states_{};
  uint32_t read_ = 0;
  uint32_t write_ = 0;
  uint32_t count_ = 0;
};

}  // namespace mirrodex
