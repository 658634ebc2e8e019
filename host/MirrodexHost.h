// The host program's life: sets the agent's environment, loads and sets up the agent,
// connects it to the desktop (at start with -b, on every allowed wake-up, and again every
// retry interval while no session runs; on a wake-up the agent itself keeps sessions that
// already serve the waking desktop), logs the agent's callback codes, and stops on
// SIGINT or SIGTERM.
// Thread: Run on the main thread. The agent's callback comes on its session threads and only
// writes to a pipe that the main loop reads.
#pragma once

#include <chrono>
#include <string>

#include "host/AddressFilter.h"
#include "host/AgentLibrary.h"
#include "host/HostOptions.h"

namespace mirrodex {

class MirrodexHost {
 public:
  explicit MirrodexHost(HostOptions options) : options_(std::move(options)) {}

  // Returns the process exit code: 0 after a stop by signal, 1 when it could not start.
  int Run();

 private:
  bool Prepare(std::string& error);
  void Connect(const std::string& desktop);
  void LogCallbackCodes(int pipeFd);

  HostOptions options_;
  AddressFilter filter_;
  AgentLibrary agent_;
  std::string target_;  // the desktop of the last start, retried while no session runs
  std::chrono::steady_clock::time_point lastAttempt_;
};

}  // namespace mirrodex
