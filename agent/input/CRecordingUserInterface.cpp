#include "agent/input/CRecordingUserInterface.h"

namespace mirrodex {

// Keeps the newest events only, so a long session cannot grow the record without bound.
constexpr size_t kMaxRecordedEvents = 4096;

void CRecordingUserInterface::Key(uint32_t word) { Record({Event::Kind::kKey, word, 0, 0, 0}); }

void CRecordingUserInterface::Mouse(uint32_t x, uint32_t y, uint32_t action) {
  Record({Event::Kind::kMouse, 0, x, y, action});
}

void CRecordingUserInterface::Record(const Event& event) {
  std::lock_guard lock(mutex_);
  if (events_.size() == kMaxRecordedEvents) events_.erase(events_.begin());
  events_.push_back(event);
}

std::vector<CRecordingUserInterface::Event> CRecordingUserInterface::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

}  // namespace mirrodex
