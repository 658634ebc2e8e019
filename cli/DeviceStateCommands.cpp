// clip get, clip set and status.
#include <cstdio>

#include "cli/DeviceContext.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalText.h"
#include "desktop/session/DeviceCommands.h"
#include "protocol/Requests.h"
#include "protocol/TextEncoding.h"

namespace mirrodex::cli {
namespace {

constexpr uint8_t kNoPayload[] = {0x20};

std::u16string ToUtf16(const std::string& text) {
  const auto bytes = Utf8ToUtf16Le(text);
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return units;
}

}  // namespace

int RunClipboardOrStatusCommand(DeviceContext& context, const DeviceCommand& command) {
  DeviceRequester requester(context.session.Dispatcher(), context.session.RequestSender(),
                            DeviceRequester::Role::kCurrent);
  if (command.name == "status") {
    DeviceStatus values;
    if (const ExchangeStatus status = RefreshStatus(requester, values, nullptr); status != ExchangeStatus::kOk) {
      return ReportFailure("status", status);
    }
    const auto percent = [](uint32_t value) { return value > 100 ? std::string("unknown") : std::to_string(value) + "%"; };
    std::printf("memory load     %s\n", percent(values.memoryLoad).c_str());
    std::printf("free store      %u KiB\n", values.freeStore);
    std::printf("total store     %u KiB\n", values.totalStore);
    std::printf("main battery    %s\n", percent(values.mainBattery).c_str());
    std::printf("backup battery  %s\n", percent(values.backupBattery).c_str());
    return kExitDone;
  }
  if (command.args[0] == "get") {
    if (const ExchangeStatus status = requester.Exchange(kRequestGetClipboard, kNoPayload);
        status != ExchangeStatus::kOk) {
      return ReportFailure("clip get", status);
    }
    std::printf("%s\n", ForTerminal(Utf16ToUtf8(ClipboardTextFromReply(requester.Payload())), stdout).c_str());
    return kExitDone;
  }
  const auto payload = ClipboardRequestPayload(ToUtf16(command.args[1]));
  const ExchangeStatus status = requester.Exchange(kRequestSetClipboard, payload);
  return status == ExchangeStatus::kOk ? kExitDone : ReportFailure("clip set", status);
}

}  // namespace mirrodex::cli
