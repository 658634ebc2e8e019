// The sink for session events, replies and screen progress. The sessions call it from their
// own threads; an implementation must return promptly, must not wait for the user-interface
// thread and must never stop or delete the sessions from inside a call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mirrodex {

enum SessionEvent : uint32_t {
  kEventAfterError = 0,
  kEventConnected = 3,
  kEventEnded = 6,
  kEventError = 7,
};

// One screen update as it came off the wire, for statistics.
struct ScreenUpdateInfo {
  size_t wireBytes = 0;     // header and body as received
  size_t payloadBytes = 0;  // after decompression
  uint32_t fields = 0;
  uint32_t framesCompleted = 0;
};

class SessionOwner {
 public:
  virtual ~SessionOwner() = default;
  virtual void OnEvent(uint32_t code) = 0;
  // A reply (command thread) or a 4-byte status value (screen thread). The bytes are valid
  // only during the call.
  virtual void OnData(std::span<const uint8_t> buffer) = 0;
  // Screen thread, after a field that completes an image; the decoder's picture is whole.
  virtual void OnFrameComplete() {}
  // Screen thread, after each decoded screen update: it follows the OnFrameComplete calls of
  // the frames that update completed, so a waiter for a frame must not expect its record yet.
  virtual void OnScreenUpdate(const ScreenUpdateInfo&) {}
};

}  // namespace mirrodex
