#include <cstdio>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"

namespace mirrodex::cli {

int StartAndAwaitDevice(CliSession& session, const CliOptions& options,
                        std::chrono::steady_clock::time_point deadline,
                        const std::atomic<bool>* interrupted) {
  if (options.bridge) {
    std::string error;
    if (!session.StartOverBridge(deadline, error)) {
      std::fprintf(stderr,
                   "mirrodex-cli: %s: check the link command (MIRRODEX_LINK) and that mirrodex-bridge "
                   "and the agent are installed on the device\n",
                   error.c_str());
      return kExitNetwork;
    }
  } else if (!session.Start(options.wakeHost)) {
    std::fprintf(stderr,
                 "mirrodex-cli: could not wake %s on port 3950 (%s): check the address and "
                 "that the device's host program is running\n",
                 options.wakeHost->c_str(), session.LastMessage().c_str());
    return kExitNetwork;
  }
  auto outcome = session.WaitFor([&] { return session.DeviceConnected(); }, deadline, interrupted);
  // A device reached us and left again, and no full connection followed: that is the device
  // leaving, not no device, whichever of its sessions the session threads got to first.
  if (outcome == CliSession::Outcome::kTimedOut && session.DeviceDroppedWhileOpening()) {
    outcome = CliSession::Outcome::kDeviceEnded;
  }
  if (outcome == CliSession::Outcome::kListenFailed) {
    std::fprintf(stderr,
                 "mirrodex-cli: %s: close the other Mirrodex program or client that uses "
                 "them and try again\n",
                 session.ListenProblem().c_str());
    return kExitNetwork;
  }
  return ReportOutcome(static_cast<int>(outcome), options);
}

int ReportOutcome(int outcome, const CliOptions& options) {
  switch (static_cast<CliSession::Outcome>(outcome)) {
    case CliSession::Outcome::kReady:
    case CliSession::Outcome::kInterrupted:
      return kExitDone;
    case CliSession::Outcome::kTimedOut:
      std::fprintf(stderr,
                   "mirrodex-cli: no device within %d s: start the agent on the device (or "
                   "use --wake HOST) and check that it can reach this computer\n",
                   options.timeoutSeconds);
      return kExitNoDevice;
    case CliSession::Outcome::kDeviceEnded:
      std::fprintf(stderr,
                   "mirrodex-cli: the device closed or lost the connection: check the agent "
                   "on the device and try again\n");
      return kExitDevice;
    case CliSession::Outcome::kListenFailed:
      std::fprintf(stderr,
                   "mirrodex-cli: the sessions stopped listening: close other programs that "
                   "use ports 3937 and 3938 and try again\n");
      return kExitNetwork;
  }
  return kExitDevice;
}

}  // namespace mirrodex::cli
