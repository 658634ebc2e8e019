#include "desktop/session/PeerGate.h"

#include <algorithm>

namespace mirrodex {

void PeerGate::Expect(std::vector<in_addr_t> addresses) {
  std::lock_guard lock(mutex_);
  expected_ = std::move(addresses);
}

bool PeerGate::AdmitsLocked(in_addr_t address) const {
  if (!expected_.empty() && std::find(expected_.begin(), expected_.end(), address) == expected_.end()) {
    return false;
  }
  return !device_ || *device_ == address;
}

bool PeerGate::Admits(in_addr_t address) {
  std::lock_guard lock(mutex_);
  if (AdmitsLocked(address)) return true;
  if (device_) turnedAway_ = true;
  return false;
}

bool PeerGate::Claim(in_addr_t address) {
  std::lock_guard lock(mutex_);
  if (!AdmitsLocked(address)) return false;
  if (!device_) {
    device_ = address;
    tiedAt_ = Clock::now();
    turnedAway_ = false;
  }
  ++claims_;
  return true;
}

void PeerGate::Release() {
  std::lock_guard lock(mutex_);
  device_.reset();
  claims_ = 0;
}

bool PeerGate::PairingOverdue() const {
  std::lock_guard lock(mutex_);
  return device_ && claims_ == 1 && turnedAway_ && Clock::now() - tiedAt_ > pairingTime_;
}

}  // namespace mirrodex
