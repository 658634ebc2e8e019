#include "agent/session/CleanupStack.h"

#include <new>

namespace mirrodex {

CleanupStack::~CleanupStack() {
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
