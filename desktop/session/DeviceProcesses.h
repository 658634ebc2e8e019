// The device's processes: listing them, ending one and bringing one to the front, each one
// request/reply exchange (request 20, the action digit and the process id as ASCII digits).
// Threads: the requesting thread (see DeviceRequester).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "desktop/session/DeviceRequester.h"

namespace mirrodex {

struct DeviceProcess {
  std::string name;  // UTF-8
  uint32_t id = 0;
  uint32_t threads = 0;
  uint32_t usage = 0;
  uint32_t parentId = 0;
  uint32_t moduleId = 0;
};

enum class ProcessAction : uint32_t { kList = 0, kKill = 1, kActivate = 2 };

// "%d%u" of the action digit and the process id, without terminator ("00" for the list).
std::vector<uint8_t> ProcessRequestPayload(ProcessAction action, uint32_t processId);
// Reads `count` entries; false, with no entries, when the payload ends early or a name is
// longer than 260 characters.
[[nodiscard]] bool ParseProcessList(uint32_t count, std::span<const uint8_t> payload,
                                    std::vector<DeviceProcess>& processes);

// A device that reports no processes fails the listing (kRefused).
[[nodiscard]] ExchangeStatus ListProcesses(DeviceRequester& requester,
                                           std::vector<DeviceProcess>& processes);
[[nodiscard]] ExchangeStatus KillProcess(DeviceRequester& requester, uint32_t processId);
[[nodiscard]] ExchangeStatus ActivateProcess(DeviceRequester& requester, uint32_t processId);

}  // namespace mirrodex
