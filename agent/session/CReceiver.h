// The command session: connects to the desktop's command port, greets it, then reads command
// words and requests into the command queue and sends each request's reply back. The reply
// wait is woken as soon as a reply is queued and gives up after a number of empty polls.
// Threads and ownership as CScheduler.
#pragma once

#include <cstdint>

#include "agent/session/CDynamicBuf.h"
#include "agent/session/CScheduler.h"

namespace mirrodex {

// A data message carries one request: its word and a payload of up to 2^20 - 1 bytes.
inline constexpr size_t kMaxCommandPayloadBytes = 4 + ((1u << 20) - 1);

class CReceiver final : public CScheduler {
 public:
  enum : uint32_t { kStateRead = 3, kStateAwaitReply = 9 };

  explicit CReceiver(const SessionTiming& timing = {}, uint16_t port = kAgentCommandPort);

  bool Step() override;

 private:
  // Every step blocks by itself (a read or the reply wait); no sleep between steps.
  uint32_t StartPeriod() const override { return 0; }
  void Open();
  void Read();
  void AwaitReply();
  bool Finish();

  CDynamicBuf reply_;
};

}  // namespace mirrodex
