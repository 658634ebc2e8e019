// How the sessions report to the host and reach the command processor. The command session
// puts received commands and takes replies; the screen session runs the queued commands
// between frames. Implementations are called from both session threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/session/CDynamicBuf.h"

namespace mirrodex {

// What a session reports.
enum SessionStatus : int {
  kStatusEnded = 0,
  kStatusScreenConnected = 3,
  kStatusStopped = 6,
  kStatusFailed = 7,
  kStatusConnectFailed = 8,
};

enum class CommandResult { kNothingQueued, kDone, kPauseToggle };

class MRetrieveHttpCallbacks {
 public:
  virtual void Notify(int status) = 0;
  // Takes the reply to the latest data message into `out` (status word and payload);
  // returns its size, 0 while it is not ready.
  virtual size_t TakeReply(CDynamicBuf& out) = 0;
  // A data message's payload; it always gets exactly one reply.
  virtual void PutCommand(std::span<const uint8_t> bytes) = 0;
  // A single command word; it gets no reply.
  virtual void PutCommandWord(uint32_t word) = 0;
  virtual CommandResult ProcessOneCommand() = 0;
  virtual bool HasReply() = 0;
  virtual int LastStatus() = 0;

 protected:
  ~MRetrieveHttpCallbacks() = default;
};

}  // namespace mirrodex
