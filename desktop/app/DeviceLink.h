// What the windows know of the live connection: listening, stopping, waking a device,
// queueing input and requests, and the connection's state. The product's implementation is
// SessionLink over the connection controller; tests give the windows a scripted one.
// Threads: every function on the user-interface thread, except QueueRequest and the state
// queries, which the request worker thread may also call.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "protocol/CommandWords.h"
#include "protocol/DeviceInfo.h"

namespace mirrodex::app {

class DeviceLink {
 public:
  virtual ~DeviceLink() = default;

  // Drops any connection and listens for the agent again with new sessions.
  virtual void Listen() = 0;
  // Stops both sessions (they stop listening).
  virtual void Stop() = 0;
  // Sends the wake-up to the device's host; false when it could not be sent.
  [[nodiscard]] virtual bool Wake(const std::string& host) = 0;
  // Starts the agent through the sync bridge without waiting for it: through the device's host
  // program (it connects back to the listening sessions) or in stream mode. Stages and the
  // result come as session events (kBridgeStage, kBridgeStartDone). False when this link has
  // no bridge; then nothing comes.
  [[nodiscard]] virtual bool StartOverBridge(bool /*hostProgramOnly*/) { return false; }
  // The profile whose settings the next connection sends.
  virtual void SetProfile(const std::string& name) = 0;

  // The screen session is connected.
  virtual bool IsConnected() const = 0;
  virtual bool BothConnected() const = 0;
  virtual DeviceInfo ConnectedInfo() const = 0;

  virtual void QueueKey(uint32_t code, bool isVirtualKey) = 0;
  virtual void QueuePointer(uint32_t x, uint32_t y, PointerAction action) = 0;
  // False when the request cannot be queued (no connection).
  [[nodiscard]] virtual bool QueueRequest(uint32_t code, std::span<const uint8_t> payload) = 0;
};

}  // namespace mirrodex::app
