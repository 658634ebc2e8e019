// Everything a session needs from outside besides its owner: ports, timeouts, where the
// profile's settings come from, and where messages and debug texts go. Copied into each
// session at creation; the pointers are not owned and must outlive the sessions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "protocol/SessionSettings.h"

namespace mirrodex {

class PeerGate;
class SessionLog;
class UserNotifier;

// Reads the settings words' source values from a connection profile. Called on the screen
// session thread during each opening.
using ProfileSettingsReader = std::function<SessionSettings(const std::string& profile)>;

inline constexpr uint16_t kCommandPort = 3937;
inline constexpr uint16_t kScreenPort = 3938;
inline constexpr uint16_t kWakePort = 3950;

struct SessionConfig {
  uint16_t commandPort = kCommandPort;
  uint16_t screenPort = kScreenPort;
  // A peer must finish the opening exchange (greeting or DeviceInfo) within this time, or its
  // connection is dropped. After the opening nothing times out: a still screen sends nothing.
  int openingTimeoutMs = 10000;
  // Sleep of a session that waits for a stream to be attached.
  int idleSleepMs = 1000;
  // How long stopping waits for each worker before it unblocks the worker's socket.
  int stopWaitMs = 1000;
  std::string profile;
  // The profile's device address (TCP/IP profiles); a client that knows it takes agents only
  // from there. Empty when unknown.
  std::string deviceHost;
  ProfileSettingsReader readSettings;  // empty: the default settings
  UserNotifier* notifier = nullptr;    // empty: messages are dropped
  SessionLog* log = nullptr;           // empty: debug texts are dropped
  PeerGate* gate = nullptr;            // empty: any peer opens either session
  // Observes each back-off sleep of the command session (its length in milliseconds).
  std::function<void(uint32_t)> onBackOff;
};

}  // namespace mirrodex
