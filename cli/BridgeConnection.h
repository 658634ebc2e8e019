// The command-line client's way to a device over the bridge instead of TCP: starts the link
// (MIRRODEX_LINK, by default the local mirrodex-bridge), invokes the agent's two stream exports
// and hands their streams to the sessions. Nothing listens on any port.
// Thread: the main thread. Ownership: owns the two streams and the link's use; the sessions
// must be stopped before the connection is destroyed (it releases the streams).
#pragma once

#include <chrono>
#include <string>

#include "desktop/session/ConnectionController.h"
#include "protocol/IRAPIStream.h"

namespace mirrodex::cli {

class BridgeConnection {
 public:
  BridgeConnection() = default;
  ~BridgeConnection();
  BridgeConnection(const BridgeConnection&) = delete;
  BridgeConnection& operator=(const BridgeConnection&) = delete;

  // Waits for the device's answer until `deadline`, invokes both exports and attaches their
  // streams to the controller's stream-mode sessions. False with `error` saying what failed.
  [[nodiscard]] bool Open(ConnectionController& controller,
                          std::chrono::steady_clock::time_point deadline, std::string& error);

 private:
  IRAPIStream* screen_ = nullptr;
  IRAPIStream* command_ = nullptr;
  bool initialised_ = false;
};

}  // namespace mirrodex::cli
