// What a device command of mirrodex-cli works with: the connected session, the options, and
// the shared ways of reporting an outcome. Main thread only.
#pragma once

#include <chrono>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "desktop/files/FileResult.h"

namespace mirrodex::cli {

struct DeviceContext {
  CliSession& session;
  const CliOptions& options;

  // How long a command may wait for the device to confirm it (--timeout from now).
  std::chrono::steady_clock::time_point Deadline() const {
    return std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  }
};

// The exit code of an exchange's status (ExitCodes.h).
int ExitCodeFor(ExchangeStatus status);
int ExitCodeFor(const FileResult& result);
// Prints "mirrodex-cli: WHAT: REASON: HINT" for a failed exchange and returns its exit code.
int ReportFailure(const std::string& what, ExchangeStatus status);
int ReportFailure(const std::string& what, const FileResult& result);

// The families of device commands; each returns an exit code.
int RunFileCommand(DeviceContext& context, const DeviceCommand& command);
int RunProcessCommand(DeviceContext& context, const DeviceCommand& command);
int RunClipboardOrStatusCommand(DeviceContext& context, const DeviceCommand& command);
int RunInputCommand(DeviceContext& context, const DeviceCommand& command);

// Asks for the device status until it is answered, which confirms that every command word
// queued before has been carried out (the agent runs commands in order).
[[nodiscard]] ExchangeStatus ConfirmInput(DeviceContext& context);

}  // namespace mirrodex::cli
