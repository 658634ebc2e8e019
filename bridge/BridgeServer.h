// The device end of the link: greets the desktop, answers its calls one at a time on a call
// thread (files, processes, system information, invocations of the agent), and ends when the
// link closes, after every invoked export has returned.
// Threads: Run on the main thread; the link's reading thread queues calls; the call thread
// carries them out and answers.
// Ownership: owns the link, the file table, the launcher and the invoker.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "bridge/AgentInvoker.h"
#include "bridge/CallWire.h"
#include "bridge/DeviceFiles.h"
#include "bridge/Link.h"
#include "bridge/ProcessLauncher.h"

namespace mirrodex::bridge {

class BridgeServer {
 public:
  // More calls waiting than this means the desktop does not wait for its answers.
  static constexpr size_t kMaxQueuedCalls = 4;

  // Takes ownership of both descriptors. `root` is the file root, `folder` holds the agent
  // library and the programs CeCreateProcess may start.
  BridgeServer(int readFd, int writeFd, const std::string& root, const std::string& folder);
  ~BridgeServer();

  // Serves until the link goes down; returns the reason.
  std::string Run();

 private:
  bool Queue(std::span<const uint8_t> body);
  void CallLoop();
  // Carries out one call and returns its answer; false for a malformed call (the link ends).
  [[nodiscard]] bool Answer(std::span<const uint8_t> body, WireWriter& answer);
  // False for a malformed call.
  [[nodiscard]] bool Invoke(WireReader& in, int32_t& result, uint32_t& error);
  void SystemInfo(WireWriter& out) const;

  DeviceFiles files_;
  ProcessLauncher launcher_;
  AgentInvoker invoker_;
  std::unique_ptr<Link> link_;
  std::mutex mutex_;  // guards the fields below
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> calls_;
  bool down_ = false;
  std::string reason_;
};

}  // namespace mirrodex::bridge
