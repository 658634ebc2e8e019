#include "desktop/session/DeviceProcesses.h"

#include <string>

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {
namespace {

constexpr uint32_t kMaxNameCharacters = 260;
constexpr size_t kValuesAfterName = 5;

}  // namespace

std::vector<uint8_t> ProcessRequestPayload(ProcessAction action, uint32_t processId) {
  const std::string text = std::to_string(static_cast<uint32_t>(action)) + std::to_string(processId);
  return {text.begin(), text.end()};
}

bool ParseProcessList(uint32_t count, std::span<const uint8_t> payload,
                      std::vector<DeviceProcess>& processes) {
  processes.clear();
  std::vector<DeviceProcess> read;  // a half-read list gives nothing
  size_t at = 0;
  const auto take = [&](uint32_t& value) {
    if (payload.size() - at < 4) return false;
    value = LoadU32(&payload[at]);
    at += 4;
    return true;
  };
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t characters = 0;
    if (!take(characters) || characters > kMaxNameCharacters || payload.size() - at < 2 * characters) {
      return false;
    }
    DeviceProcess process;
    process.name = Utf16LeToUtf8(payload.subspan(at, 2 * size_t{characters}));
    at += 2 * size_t{characters};
    uint32_t* values[kValuesAfterName] = {&process.id, &process.threads, &process.usage,
                                          &process.parentId, &process.moduleId};
    for (uint32_t* value : values) {
      if (!take(*value)) return false;
    }
    read.push_back(std::move(process));
  }
  processes = std::move(read);
  return true;
}

ExchangeStatus ListProcesses(DeviceRequester& requester, std::vector<DeviceProcess>& processes) {
  processes.clear();
  const auto payload = ProcessRequestPayload(ProcessAction::kList, 0);
  const ExchangeStatus status = requester.Exchange(kRequestProcesses, payload);
  if (status != ExchangeStatus::kOk) return status;
  return ParseProcessList(requester.Result(), requester.Payload(), processes) ? status
                                                                              : ExchangeStatus::kMalformed;
}

ExchangeStatus KillProcess(DeviceRequester& requester, uint32_t processId) {
  const auto payload = ProcessRequestPayload(ProcessAction::kKill, processId);
  return requester.Exchange(kRequestProcesses, payload);
}

ExchangeStatus ActivateProcess(DeviceRequester& requester, uint32_t processId) {
  const auto payload = ProcessRequestPayload(ProcessAction::kActivate, processId);
  return requester.Exchange(kRequestProcesses, payload);
}

}  // namespace mirrodex
