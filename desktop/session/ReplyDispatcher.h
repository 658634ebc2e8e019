// Hands each reply of the command session to the requester that waits for it: the current
// requester (clipboard, status, processes) when one waits, else the file manager's. A reply
// whose status word is below 0x100000 carries no data: it only wakes that requester, whose
// exchange then fails. A reply to an exchange that gave up waiting is dropped when it comes
// late, so it never reaches a later request; a lost connection fails the waiting exchange at
// once. Exchanges of all requesters take turns, whichever thread they run on.
// Threads: Dispatch and ConnectionLost from the session threads (SessionOwner callbacks); the
// rest is used by DeviceRequester on the requesting thread.
// Ownership: requesters register themselves and unregister in their destructors, so a late
// reply never touches a requester that is gone; the dispatcher outlives every requester.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>

namespace mirrodex {

class DeviceRequester;

class ReplyDispatcher {
 public:
  ReplyDispatcher() = default;
  ReplyDispatcher(const ReplyDispatcher&) = delete;
  ReplyDispatcher& operator=(const ReplyDispatcher&) = delete;

  // A reply payload from the command session or a 4-byte status value from the screen
  // session. The bytes are copied; they are valid only during the call.
  void Dispatch(std::span<const uint8_t> buffer);
  // The connection ended or failed: the reply to a request in flight will never come.
  void ConnectionLost();

  // Replies owed to exchanges that gave up; for tests and diagnostics.
  uint32_t OwedReplies() const;

 private:
  friend class DeviceRequester;
  enum class Slot { kCurrent, kFileManager };

  void Register(DeviceRequester* requester, Slot slot);
  void Unregister(DeviceRequester* requester);
  DeviceRequester* Waiting() const;

  // Held by a requester from sending its request until its exchange ends: the agent answers
  // in order, so two requesters on two threads must never have requests out at once.
  std::mutex exchangeTurn_;
  mutable std::mutex mutex_;  // guards this and the wait state of every registered requester
  DeviceRequester* current_ = nullptr;
  DeviceRequester* fileManager_ = nullptr;
  uint32_t owed_ = 0;
};

}  // namespace mirrodex
