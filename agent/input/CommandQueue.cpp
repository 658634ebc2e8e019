#include "agent/input/CommandQueue.h"

#include <algorithm>

#include "agent/session/AgentLog.h"
#include "protocol/CommandWords.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr uint32_t kActionMask = 0x03000000u;

bool IsPointer(uint32_t word, PointerAction action) {
  return (word & kCommandClassMask) == kCommandClassPointer &&
         (word & kActionMask) == (static_cast<uint32_t>(action) << 24);
}
bool IsMove(uint32_t word) { return IsPointer(word, PointerAction::kMove); }
bool IsPress(uint32_t word) { return IsPointer(word, PointerAction::kLeftDown); }
bool IsRelease(uint32_t word) { return IsPointer(word, PointerAction::kLeftUp); }
bool IsMarker(uint32_t word) { return (word & kCommandClassMask) == kRequestWordBase; }

}  // namespace

CommandQueue::CommandQueue(size_t capacity) : capacity_(std::max<size_t>(capacity, 4)) {}

void CommandQueue::PushInput(uint32_t word) {
  if (IsRelease(word) && dropNextRelease_) {
    dropNextRelease_ = false;
    Drop();
    return;
  }
  if (words_.size() >= capacity_) DropOldestMoves();
  if (words_.size() < capacity_ || (IsRelease(word) && pressKept_)) {
    Keep(word);
    return;
  }
  if (IsMove(word) && !words_.empty() && IsMove(words_.back())) {
    words_.back() = word;  // the newest position wins
    Drop();
    return;
  }
  // A press dropped while an earlier one waits for its release shares that release.
  if (IsPress(word) && !pressKept_) dropNextRelease_ = true;
  Drop();
}

void CommandQueue::PushRequestMarker(uint32_t requestWord) {
  if (markers_ > 0) {
    std::erase_if(words_, IsMarker);
    markers_ = 0;
  }
  words_.push_back(requestWord);
  ++markers_;
}

bool CommandQueue::Pop(uint32_t& word) {
  if (words_.empty()) return false;
  word = words_.front();
  words_.pop_front();
  if (IsMarker(word)) --markers_;
  if (IsPress(word)) replayedPress_ = word;
  if (IsRelease(word)) replayedPress_ = 0;
  if (saturated_ && words_.size() <= capacity_ / 4 * 3) saturated_ = false;
  if (words_.empty()) LogDropped();
  return true;
}

void CommandQueue::LogDropped() {
  if (dropped_ == droppedLogged_) return;
  AgentLog("%llu input words were dropped because they came faster than they were replayed",
           static_cast<unsigned long long>(dropped_ - droppedLogged_));
  droppedLogged_ = dropped_;
}

void CommandQueue::Clear() {
  LogDropped();
  words_.clear();
  markers_ = 0;
  saturated_ = false;
  dropNextRelease_ = false;
  pressKept_ = false;
  if (replayedPress_ != 0) {
    // The device's button is down: its release must follow, or it stays down.
    Keep((replayedPress_ & ~kActionMask) | (static_cast<uint32_t>(PointerAction::kLeftUp) << 24));
  }
}

void CommandQueue::DropOldestMoves() {
  if (saturated_) return;
  const size_t quota = capacity_ / 4;
  size_t removed = 0;
  std::erase_if(words_, [&](uint32_t word) {
    if (removed == quota || !IsMove(word)) return false;
    ++removed;
    return true;
  });
  if (removed < quota) saturated_ = true;
  if (removed > 0) {
    Drop();
    dropped_ += removed - 1;
  }
}

void CommandQueue::Keep(uint32_t word) {
  if (IsPress(word)) {
    pressKept_ = true;
    dropNextRelease_ = false;
  } else if (IsRelease(word)) {
    pressKept_ = false;
  }
  words_.push_back(word);
}

void CommandQueue::Drop() {
  if (dropped_ == droppedLogged_) {
    AgentLog("input comes faster than the device replays it; the oldest pointer moves are dropped");
  }
  ++dropped_;
}

}  // namespace mirrodex
