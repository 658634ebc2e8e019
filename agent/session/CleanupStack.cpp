#include "agent/session/CleanupStack.h"

#include <new>

#include "agent/session/AgentLog.h"

namespace mirrodex {

CleanupStack::~CleanupStack() {
  // Every loop ends before any thread object is freed: a loop may still reach another's
  // object (the screen session wakes the command session when it has served a request).
  for (size_t i = 0; i < size_; ++i) entries_[i]->RequestStop();
  for (size_t i = 0; i < size_; ++i) {
    while (!entries_[i]->Join(1000)) AgentLog("a session thread is still busy; waiting for it to end");
  }
  while (size_ > 0) entries_[--size_].reset();
}

CPeriodic* CleanupStack::NewPeriodic() {
  if (size_ == kCapacity) return nullptr;
  auto* periodic = new (std::nothrow) CPeriodic();
  if (periodic == nullptr) return nullptr;
  entries_[size_++].reset(periodic);
  return periodic;
}

}  // namespace mirrodex
