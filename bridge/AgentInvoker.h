// CeRapiInvoke on the device: only "Mirrodex.dll", which is the agent library installed
// beside the bridge, and only its stream exports fnMirrodex1 and fnMirrodex2. Each invocation
// runs on a thread of its own with a stream bound to its channel; when the export returns the
// stream is closed (the desktop sees the end) and released.
// Threads: Invoke on the bridge's call thread; JoinAll on the bridge's main thread once the
// link is down (every stream then fails, so every export returns).
// Ownership: owns the loaded library and the invocation threads; the library stays loaded
// until the invoker is destroyed, after every thread has ended.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bridge/LinkChannel.h"
#include "host/AgentLibrary.h"

namespace mirrodex::bridge {

class AgentInvoker {
 public:
  static constexpr size_t kMaxInvocations = 8;

  AgentInvoker() = default;
  ~AgentInvoker() { JoinAll(); }
  AgentInvoker(const AgentInvoker&) = delete;
  AgentInvoker& operator=(const AgentInvoker&) = delete;

  // Checks the library and export names; a Windows error code, 0 when they are allowed.
  static uint32_t CheckNames(const std::string& library, const std::string& function);
  // Loads the agent when needed; 0, or a Windows error code with the reason logged.
  uint32_t Prepare();
  // Starts `function` (checked and prepared) on `channel`. 0 or a Windows error code.
  uint32_t Start(const std::string& function, std::shared_ptr<LinkChannel> channel);
  void JoinAll();

 private:
  struct Invocation {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  std::mutex mutex_;  // guards invocations_
  std::vector<Invocation> invocations_;
  AgentLibrary agent_;
  bool loaded_ = false;
};

}  // namespace mirrodex::bridge
