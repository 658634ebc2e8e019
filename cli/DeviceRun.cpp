#include <cstdio>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/DeviceContext.h"
#include "cli/ExitCodes.h"
#include "protocol/Requests.h"

namespace mirrodex::cli {
namespace {

const char* Hint(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kRefused:
      return "check the path or process id";
    case ExchangeStatus::kNotSent:
    case ExchangeStatus::kConnectionLost:
      return "check the agent on the device and try again";
    default:
      return "check that the agent on the device is current and running";
  }
}

}  // namespace

int ExitCodeFor(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kOk:
      return kExitDone;
    case ExchangeStatus::kRefused:
      return kExitRefused;
    default:
      return kExitDevice;
  }
}

int ExitCodeFor(const FileResult& result) {
  switch (result.kind) {
    case FileResult::Kind::kOk:
      return kExitDone;
    case FileResult::Kind::kRefused:
      return kExitRefused;
    case FileResult::Kind::kCommunication:
      return kExitDevice;
    case FileResult::Kind::kLocalError:
    case FileResult::Kind::kOverLimit:  // the limit is the room on the local file system
      return kExitFile;
  }
  return kExitDevice;
}

int ReportFailure(const std::string& what, ExchangeStatus status) {
  std::fprintf(stderr, "mirrodex-cli: %s: %s: %s\n", what.c_str(), Describe(status), Hint(status));
  return ExitCodeFor(status);
}

int ReportFailure(const std::string& what, const FileResult& result) {
  const char* hint = result.kind == FileResult::Kind::kLocalError ? "check the local path and its folder"
                     : result.kind == FileResult::Kind::kRefused  ? "check the path on the device"
                     : result.kind == FileResult::Kind::kOverLimit
                         ? "that is the free space of the target's file system: make room there, or check the "
                           "agent on the device"
                         : Hint(result.exchange);
  std::fprintf(stderr, "mirrodex-cli: %s: %s: %s\n", what.c_str(), result.Describe().c_str(), hint);
  return ExitCodeFor(result);
}

ExchangeStatus ConfirmInput(DeviceContext& context) {
  static constexpr uint8_t kNoPayload[] = {0x20};
  const auto deadline = context.Deadline();
  for (;;) {
    // The status request's own timeout is short; a busy device is asked again until the
    // command's deadline.
    DeviceRequester requester(context.session.Dispatcher(), context.session.RequestSender(),
                              DeviceRequester::Role::kCurrent);
    const ExchangeStatus status = requester.Exchange(kRequestStatus, kNoPayload);
    if (status != ExchangeStatus::kTimedOut || std::chrono::steady_clock::now() >= deadline) return status;
  }
}

int RunDevice(const CliOptions& options, const SessionConfig& config) {
  CliSession session(config);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  if (const int code = StartAndAwaitDevice(session, options, deadline); code != kExitDone) return code;
  // Requests go on the command session: wait until it is connected too.
  const auto outcome = session.WaitFor([&] { return session.BothConnected(); }, deadline);
  if (outcome != CliSession::Outcome::kReady) return ReportOutcome(static_cast<int>(outcome), options);

  DeviceContext context{session, options};
  for (const DeviceCommand& command : options.deviceCommands) {
    int code = kExitUsage;
    if (command.name == "ps" || command.name == "kill" || command.name == "activate") {
      code = RunProcessCommand(context, command);
    } else if (command.name == "clip" || command.name == "status") {
      code = RunClipboardOrStatusCommand(context, command);
    } else if (command.name == "tap" || command.name == "press" || command.name == "move" ||
               command.name == "release" || command.name == "key" || command.name == "text" ||
               command.name == "pause") {
      code = RunInputCommand(context, command);
    } else {
      code = RunFileCommand(context, command);
    }
    std::fflush(stdout);
    if (code != kExitDone) return code;
  }
  session.Stop();
  return kExitDone;
}

}  // namespace mirrodex::cli
