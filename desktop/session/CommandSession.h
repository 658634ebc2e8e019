// The command session (port 3937): the greeting opening, then the outgoing queue of command
// words and requests, one request at a time with its reply handed to the owner.
// Threads: the Queue functions from any thread (usually the user-interface thread); they wake
// the session thread at once. Everything else as SessionBase.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>

#include "desktop/session/SessionBase.h"
#include "protocol/ByteBuffer.h"
#include "protocol/CommandWords.h"

namespace mirrodex {

class CommandSession : public SessionBase {
 public:
  CommandSession(SessionOwner& owner, SessionSignal& signal, const SessionConfig& config);
  ~CommandSession() override;

  // False, queueing nothing, for a code above 63 or a payload of 2^20 bytes or more.
  [[nodiscard]] bool QueueRequest(uint32_t code, std::span<const uint8_t> payload);
  void QueueKey(uint32_t code, bool isVirtualKey);
  // x and y in device pixels, each below 4096.
  void QueuePointer(uint32_t x, uint32_t y, PointerAction action);

 private:
  void Act(uint32_t state) override;
  void Shut() override;
  bool HasWork() const override;
  void OnBackOff(uint32_t delayMs) override;
  void Open();
  void SendNext();
  void SendRequest();
  void QueueCommandWord(uint32_t word);

  mutable std::mutex outgoingMutex_;
  ByteBuffer outgoing_;  // records: u32 kind | size, u32 second word, request bytes
  ByteBuffer request_;   // session thread only: the request being sent
};

}  // namespace mirrodex
