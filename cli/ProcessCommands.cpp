// ps, kill and activate on the device's processes.
#include <cstdio>
#include <string>
#include <thread>

#include "cli/DeviceContext.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalText.h"
#include "desktop/session/DeviceProcesses.h"

namespace mirrodex::cli {
namespace {

using Clock = std::chrono::steady_clock;


// Lists the processes, or the exit code of a failed listing.
int List(DeviceContext& context, std::vector<DeviceProcess>& processes) {
  DeviceRequester requester(context.session.Dispatcher(), context.session.RequestSender(),
                            DeviceRequester::Role::kCurrent);
  const ExchangeStatus status = ListProcesses(requester, processes);
  return status == ExchangeStatus::kOk ? kExitDone : ReportFailure("ps", status);
}

bool Contains(const std::vector<DeviceProcess>& processes, uint32_t id) {
  for (const auto& process : processes) {
    if (process.id == id) return true;
  }
  return false;
}

}  // namespace

int RunProcessCommand(DeviceContext& context, const DeviceCommand& command) {
  std::vector<DeviceProcess> processes;
  if (command.name == "ps") {
    if (const int code = List(context, processes); code != kExitDone) return code;
    std::printf("%8s %7s %8s  %s\n", "PID", "THREADS", "PARENT", "NAME");
    for (const auto& p : processes) std::printf("%8u %7u %8u  %s\n", p.id, p.threads, p.parentId,
                                       ForTerminal(p.name, stdout).c_str());
    return kExitDone;
  }
  const auto id = static_cast<uint32_t>(std::stoul(command.args[0]));
  const std::string what = command.name + " " + command.args[0];
  DeviceRequester requester(context.session.Dispatcher(), context.session.RequestSender(),
                            DeviceRequester::Role::kCurrent);
  const ExchangeStatus status =
      command.name == "kill" ? KillProcess(requester, id) : ActivateProcess(requester, id);
  if (status != ExchangeStatus::kOk) return ReportFailure(what, status);
  if (command.name != "kill") return kExitDone;
  // Ending a process takes the device a moment: done once it has left the list.
  const auto deadline = context.Deadline();
  for (;;) {
    if (const int code = List(context, processes); code != kExitDone) return code;
    if (!Contains(processes, id)) return kExitDone;
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::fprintf(stderr, "mirrodex-cli: %s: the process still runs after %d s: try again or end it on the device\n",
               what.c_str(), context.options.timeoutSeconds);
  return kExitDevice;
}

}  // namespace mirrodex::cli
