// The host program's life: sets the agent's environment, loads and sets up the agent,
// connects it to the desktop (at start with -b, on every allowed wake-up, and again every
// retry interval while no session runs; the screen is set up again before each; on a
// wake-up the agent itself keeps sessions that already serve the waking desktop), logs the
// agent's callback codes, and stops on SIGINT or SIGTERM, or with status 1 when the screen
// can no longer be set up (its X display has gone).
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

  // Returns the process exit code: 0 after a stop by signal, 1 when it could not start or
  // lost its screen.
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
  bool freshlySetUp_ = false;  // the screen was set up and no start has used it yet
  bool screenLost_ = false;    // setting the screen up again failed: the host ends
};

}  // namespace mirrodex
