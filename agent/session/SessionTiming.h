// The waits of the two sessions. The defaults are the product's; tests shorten them.
#pragma once

#include <cstdint>

namespace mirrodex {

inline constexpr uint16_t kAgentCommandPort = 3937;
inline constexpr uint16_t kAgentScreenPort = 3938;

struct SessionTiming {
  uint32_t replyPollMs = 1000;  // one empty poll of the reply wait
  uint32_t replyPolls = 11;     // empty polls before a missing reply ends the session
  uint32_t stopPauseMs = 200;   // the command session's pause between closing and reporting
  uint32_t idleSleepMs = 1000;  // state 6
  uint32_t backOffStepMs = 100;
  uint32_t backOffLimitMs = 1000;
  int connectTimeoutMs = 10000;
  int openingTimeoutMs = 10000;  // connect and opening exchange of one session, together
  int sendTimeoutMs = 10000;     // one write without the desktop taking a byte
  // A connection that has heard nothing from its desktop for this long counts as idle: a
  // wake-up from that desktop's address then restarts it rather than leaving it alone.
  uint32_t keepAliveMs = 10000;
};

}  // namespace mirrodex
