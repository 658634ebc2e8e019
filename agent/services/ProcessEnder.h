// Ends a process: SIGTERM, then SIGKILL when it has not ended after a grace period. Works
// through a pidfd, so a process id reused meanwhile is never hit.
// Thread: the screen-session thread; blocks for at most the grace period plus one second.
#pragma once

#include <chrono>
#include <cstdint>

namespace mirrodex {

enum class EndResult {
  kEnded,    // it ended (or had already ended)
  kRefused,  // no permission to signal it
  kSurvived, // still there after SIGKILL: stopped in the kernel, or a kernel thread
};

class ProcessEnder {
 public:
  static EndResult End(uint32_t id, std::chrono::milliseconds grace);
};

}  // namespace mirrodex
