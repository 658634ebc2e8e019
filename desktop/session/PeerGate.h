// Which peers may open the sessions of the one device the desktop serves. The first session
// whose opening completes ties the device to its peer's address; the other session then takes
// only a peer from that address, so two peers never make up one device. With expected
// addresses (where the device was woken, or the profile's address) no other peer is taken.
// A tie whose second session has not opened within the pairing time while a peer from another
// address was turned away is overdue: the listening session gives up, and the controller drops
// both connections and listens afresh (so a lone session keeps the device for a while at most).
// Threads: any; every call is under the gate's lock.
// Ownership: owned by the connection controller; the sessions hold a pointer.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

namespace mirrodex {

class PeerGate {
 public:
  explicit PeerGate(int pairingTimeoutMs) : pairingTime_(pairingTimeoutMs) {}

  // Replaces the expected addresses; empty takes a peer from anywhere.
  void Expect(std::vector<in_addr_t> addresses);
  // True when a peer from `address` may open a session now.
  bool Admits(in_addr_t address);
  // A session's opening with a peer from `address` completed: ties the device to it. False
  // when the peer is not admitted (the session drops it).
  [[nodiscard]] bool Claim(in_addr_t address);
  // Both sessions dropped their connections: the next peer may tie the device again.
  void Release();
  // True when one session is tied, the other has not opened within the pairing time, and a
  // peer from elsewhere was turned away meanwhile.
  bool PairingOverdue() const;

 private:
  using Clock = std::chrono::steady_clock;

  bool AdmitsLocked(in_addr_t address) const;

  const std::chrono::milliseconds pairingTime_;
  mutable std::mutex mutex_;  // guards the fields below
  std::vector<in_addr_t> expected_;
  std::optional<in_addr_t> device_;
  int claims_ = 0;
  bool turnedAway_ = false;  // a peer from another address since the tie
  Clock::time_point tiedAt_;
};

}  // namespace mirrodex
