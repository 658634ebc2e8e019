// A small agent peer for tests: speaks both sessions' openings, sends pictures through the
// real encoder and message compression, reads command words and requests, answers them.
// One test thread drives an agent.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "agent/capture/ScreenEncoder.h"
#include "protocol/DeviceInfo.h"
#include "protocol/MessageCompression.h"
#include "protocol/MessageHeader.h"
#include "protocol/SessionSettings.h"
#include "tests/support/TestSocket.h"

namespace mirrodex::test {

class TestAgent {
 public:
  struct Message {
    MessageHeader header;
    std::vector<uint8_t> payload;  // decompressed for data messages
  };

  explicit TestAgent(uint16_t width = 240, uint16_t height = 320,
                     uint16_t colourFormat = kColourRgb565);

  // Connects to the desktop's ports and runs both openings.
  bool Connect(uint16_t commandPort = 3937, uint16_t screenPort = 3938, int timeoutMs = 10000);
  // Runs both openings over channels that are already connected (stream mode).
  bool Open(TestSocket command, TestSocket screen);
  bool OpenCommand();
  bool OpenScreen();

  const DeviceInfo& Info() const { return info_; }
  DeviceInfo& MutableInfo() { return info_; }  // change before OpenScreen
  const SessionSettings& Settings() const { return settings_; }

  // Encodes `pixels` (Width x Height in the device's colour format) and sends its fields.
  // Returns the number of messages sent, or -1 on a send failure.
  int SendPicture(std::span<const uint16_t> pixels);
  bool SendScreenMessage(const MessageHeader& header, std::span<const uint8_t> body = {});
  bool SendClose();

  std::optional<Message> ReadCommandMessage(int timeoutMs = 5000);
  bool SendReply(std::span<const uint8_t> payload);

  TestSocket& CommandSocket() { return command_; }
  TestSocket& ScreenSocket() { return screen_; }

  // A picture in the device's colour format that changes with `seed`.
  std::vector<uint16_t> Pattern(uint32_t seed) const;
  // What the desktop's RGB555 frame buffer shows for a picture.
  std::vector<uint16_t> Expected(std::span<const uint16_t> pixels) const;

 private:
  TestSocket command_;
  TestSocket screen_;
  ScreenEncoder encoder_;
  DeviceInfo info_;
  SessionSettings settings_;
  DataMessageWriter screenWriter_;
  DataMessageWriter replyWriter_;
  ByteBuffer out_;
};

}  // namespace mirrodex::test
