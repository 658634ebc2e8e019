// tap, press, move, release, key, text and pause: command words, confirmed once the device
// answers a status request queued after them.
#include <string>

#include "cli/DeviceContext.h"
#include "cli/ExitCodes.h"
#include "protocol/LittleEndian.h"
#include "protocol/TextEncoding.h"

namespace mirrodex::cli {

int RunInputCommand(DeviceContext& context, const DeviceCommand& command) {
  CliSession& session = context.session;
  const auto& args = command.args;
  const auto number = [&](size_t i) { return static_cast<uint32_t>(std::stoul(args[i])); };
  if (command.name == "key") {
    session.QueueKey(number(0), true);
  } else if (command.name == "text") {
    // One character word per UTF-16 unit; the agent joins surrogate pairs.
    const auto units = Utf8ToUtf16Le(args[0]);
    for (size_t i = 0; i + 1 < units.size(); i += 2) session.QueueKey(LoadU16(&units[i]), false);
  } else if (command.name == "pause") {
    session.QueuePointer(0, 0, PointerAction::kTogglePause);
  } else {
    const uint32_t x = number(0);
    const uint32_t y = number(1);
    if (command.name == "tap" || command.name == "press") session.QueuePointer(x, y, PointerAction::kLeftDown);
    if (command.name == "move") session.QueuePointer(x, y, PointerAction::kMove);
    if (command.name == "tap" || command.name == "release") session.QueuePointer(x, y, PointerAction::kLeftUp);
  }
  const ExchangeStatus confirmed = ConfirmInput(context);
  return confirmed == ExchangeStatus::kOk ? kExitDone : ReportFailure(command.name, confirmed);
}

}  // namespace mirrodex::cli
