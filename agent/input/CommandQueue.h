// The commands waiting for the screen-session thread, in arrival order: input words (key
// words and pointer words of actions 0..2) and the marker of the request to serve.
// Bounded: a desktop can send input far faster than the device replays it, and whatever is
// queued would be replayed long after the user (or the desktop) has gone. When the queue is
// full the oldest pointer moves are dropped first (a quarter of the queue at a time); when
// too few are queued, new input is dropped while the queue is full, and moves are not sought
// again until it has drained to three quarters. A move that finds a move at the tail replaces
// it, so the pointer still ends where it was sent. Buttons stay
// paired: a dropped press takes its release with it, and the release of a kept press is
// always kept, so the device's button is never left down.
// Size: at most the capacity plus two (a marker and a release are never dropped).
// Not thread-safe: the command processor holds its lock around every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace mirrodex {

class CommandQueue {
 public:
  static constexpr size_t kDefaultCapacity = 4096;

  explicit CommandQueue(size_t capacity = kDefaultCapacity);

  void PushInput(uint32_t word);
  // Queues the marker of the request to serve (its request word). A marker still queued from
  // an earlier message is removed: that request is no longer awaited.
  void PushRequestMarker(uint32_t requestWord);
  [[nodiscard]] bool Pop(uint32_t& word);
  // Drops everything, except that a press already taken without its release leaves that
  // release queued (at the press's position).
  void Clear();

  size_t Size() const { return words_.size(); }
  size_t Capacity() const { return capacity_; }
  // Input words dropped (or replaced) since construction.
  uint64_t Dropped() const { return dropped_; }

 private:
  // Drops the oldest moves, up to a quarter of the capacity; too few means saturation.
  void DropOldestMoves();
  void Keep(uint32_t word);
  // Counts one dropped word; the first of a run is logged.
  void Drop();
  // Logs how many were dropped since the last time.
  void LogDropped();

  std::deque<uint32_t> words_;
  size_t capacity_;
  size_t markers_ = 0;
  bool saturated_ = false;        // new input is dropped until the queue drains
  bool pressKept_ = false;        // the last kept button word was a press
  bool dropNextRelease_ = false;  // a press was dropped: its release goes too
  uint32_t replayedPress_ = 0;  // the last press taken, 0 once its release was taken
  uint64_t dropped_ = 0;
  uint64_t droppedLogged_ = 0;  // dropped_ when the last summary was logged
};

}  // namespace mirrodex
