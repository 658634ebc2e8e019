// Asks an agent on a network-reachable device to connect: one byte "a" to its wake-up port.
// Runs on the caller's thread and blocks for at most `timeoutMs` while connecting. Connection
// failures show "Failed to create connection" through the notifier.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/session/SessionConfig.h"

namespace mirrodex {

[[nodiscard]] bool WakeDevice(const std::string& host, UserNotifier* notifier,
                              uint16_t port = kWakePort, int timeoutMs = 10000);

}  // namespace mirrodex
