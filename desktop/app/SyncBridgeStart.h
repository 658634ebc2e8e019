// The sync bridge's start sequence as the main frame sees it: reach the device through the
// bridge, then either start the device's host program (which connects over TCP/IP by itself)
// or invoke the agent and hand its two streams to the sessions. The frame only reads the
// result; the sequence shows its own start-up stages.
// Threads: the user-interface thread.
#pragma once

#include <cstdint>

namespace mirrodex::app {

class SyncBridgeStart {
 public:
  static constexpr int kUnreachable = -1;      // the bridge or the device cannot be reached
  static constexpr int kAgentNotStarted = -2;  // the host program could not be started
  static constexpr int kAgentNotInvoked = -3;  // the agent's exports could not be invoked

  virtual ~SyncBridgeStart() = default;
  // Runs the sequence; `hostProgramOnly` starts only the device's host program. A result of
  // 0 or more: the agent is on its way and the sessions will report its connection.
  virtual int Run(bool hostProgramOnly) = 0;
};

// This desktop has no sync bridge: every start reports the device as unreachable.
class NoSyncBridge : public SyncBridgeStart {
 public:
  int Run(bool) override { return kUnreachable; }
};

// Device types whose agent the host program starts (it then connects over TCP/IP).
inline bool StartsHostProgramOnly(uint16_t platform) { return platform == 4 || platform == 6 || platform == 8; }

// The device type tried when a start through the bridge did not connect: the phones' host
// program start becomes the stream start of a Pocket PC 2003, everything else a Smartphone
// 2003.
inline uint16_t AlternatePlatform(uint16_t platform) { return StartsHostProgramOnly(platform) ? 5 : 6; }

}  // namespace mirrodex::app
