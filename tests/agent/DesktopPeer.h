// The desktop side for agent and host tests: the real connection controller with its two
// sessions, a decoder and a recording owner, listening on the given ports (TCP) or waiting
// for streams. One test thread drives it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "desktop/session/ConnectionController.h"
#include "desktop/session/ScreenDecoder.h"
#include "protocol/ScreenUpdateFormat.h"
#include "protocol/SessionSettings.h"
#include "tests/session/RecordingOwner.h"

namespace mirrodex::test {

class DesktopPeer {
 public:
  explicit DesktopPeer(uint16_t commandPort = 3937, uint16_t screenPort = 3938,
                       SessionSettings settings = {}) {
    config_.commandPort = commandPort;
    config_.screenPort = screenPort;
    config_.readSettings = [settings](const std::string&) { return settings; };
    config_.log = &owner;
  }
  ~DesktopPeer() { controller.reset(); }

  void Listen(bool streamMode = false) {
    controller = std::make_unique<ConnectionController>(owner, decoder, config_);
    controller->CreateSessions(streamMode);
  }

  uint32_t Frames() { return owner.Locked([&] { return owner.frames; }); }
  // Waits for a frame that completes after `after` frames; false after `timeoutMs`.
  bool WaitFrame(uint32_t after, int timeoutMs = 20000) {
    return owner.WaitUntil([&] { return owner.frames > after; }, timeoutMs);
  }
  // Waits until the completed picture equals `expected` (RGB555).
  bool WaitPicture(const std::vector<uint16_t>& expected, int timeoutMs = 20000) {
    return owner.WaitUntil([&] { return owner.frames > 0 && owner.picture == expected; }, timeoutMs);
  }
  std::vector<uint16_t> Picture() { return owner.Locked([&] { return owner.picture; }); }
  bool WaitEvent(uint32_t code, size_t count = 1, int timeoutMs = 20000) {
    return owner.WaitUntil([&] { return owner.Count(code) >= count; }, timeoutMs);
  }

  // RGB555 as the desktop shows a picture of the device's colour format.
  static std::vector<uint16_t> Expected(uint16_t format, std::span<const uint16_t> pixels) {
    std::vector<uint16_t> out(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) out[i] = ToRgb555(format, pixels[i]);
    return out;
  }

  ScreenDecoder decoder;
  RecordingOwner owner{decoder};
  std::unique_ptr<ConnectionController> controller;

 private:
  SessionConfig config_;
};

}  // namespace mirrodex::test
