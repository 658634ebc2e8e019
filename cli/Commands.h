// The commands of mirrodex-cli. Each runs on the main thread, prints one line saying what to
// do when it fails, and returns an exit code (ExitCodes.h).
#pragma once

#include <atomic>
#include <chrono>

#include "cli/CliOptions.h"
#include "desktop/session/SessionConfig.h"

namespace mirrodex::cli {

int RunSnapshot(const CliOptions& options, const SessionConfig& config);
int RunWatch(const CliOptions& options, const SessionConfig& config);
int RunRecord(const CliOptions& options, const SessionConfig& config);
// Runs the device commands in order on one connection; stops at the first that fails.
int RunDevice(const CliOptions& options, const SessionConfig& config);

// Starts the session and waits for a device; the shared opening of both commands. Returns
// kExitDone when a device connected, otherwise the exit code after printing the reason.
class CliSession;
int StartAndAwaitDevice(CliSession& session, const CliOptions& options,
                        std::chrono::steady_clock::time_point deadline,
                        const std::atomic<bool>* interrupted = nullptr);
// Prints the line for an outcome other than kReady and returns its exit code.
int ReportOutcome(int outcome, const CliOptions& options);

}  // namespace mirrodex::cli
