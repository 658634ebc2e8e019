// The desktop's end of one session channel: the message layer (data messages with their
// compression, the opening exchanges) over a ByteChannel.
// Threads: one session thread uses a transport; Channel().Close() and
// Channel().InterruptReads() may come from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "desktop/session/ByteChannel.h"
#include "desktop/session/SessionConfig.h"
#include "protocol/ByteBuffer.h"
#include "protocol/DeviceInfo.h"
#include "protocol/MessageCompression.h"

namespace mirrodex {

// The command session's opening: two bytes the agent sends first.
inline constexpr size_t kGreetingSize = 2;

class SessionTransport {
 public:
  enum class Received { kFailed, kData, kStatusValue, kIdle, kClose, kCommandWord };

  explicit SessionTransport(UserNotifier* notifier = nullptr);

  ByteChannel& Channel() { return channel_; }
  const ByteChannel& Channel() const { return channel_; }

  // Sends one data message by the raw-threshold rule (zlib at the zlib level).
  [[nodiscard]] bool SendData(std::span<const uint8_t> payload);
  // Reads one message. A body longer than the payload limit allows, one that ends early or
  // one that does not decompress within the limit fails the message.
  [[nodiscard]] Received ReceiveMessage();
  // Data: the payload. Status value and command word: the 4 bytes of word1.
  std::span<const uint8_t> Payload() const { return received_.Bytes(); }
  // Header and body bytes of the last message read.
  size_t LastWireBytes() const { return lastWireBytes_; }

  // The largest payload a data message may carry; the default suits replies.
  void SetPayloadLimit(size_t bytes) { payloadLimit_ = bytes; }
  size_t PayloadLimit() const { return payloadLimit_; }

  // The screen session's opening: reads the DeviceInfo (within `timeoutMs`), checks it,
  // answers with the profile's settings and adopts their compressor. A reduced-colour coding
  // method turns the colour format into 9; a negative pitch sets the landscape flag.
  [[nodiscard]] bool ReadDeviceInfoAndSendSettings(const std::string& profileName,
                                                   const ProfileSettingsReader& readSettings,
                                                   int timeoutMs);
  // The command session's opening: the 2-byte greeting within `timeoutMs`.
  [[nodiscard]] bool ReadGreeting(int timeoutMs);

  const DeviceInfo& Info() const { return info_; }
  Compressor ReceiveCompressor() const { return compressor_; }

 private:
  ByteChannel channel_;
  DataMessageWriter writer_;
  Compressor compressor_ = Compressor::kZlib;
  size_t payloadLimit_ = kMaxReplyPayloadBytes;
  DeviceInfo info_{};
  ByteBuffer output_;
  ByteBuffer received_;
  ByteBuffer inflated_;
  size_t lastWireBytes_ = 0;
};

}  // namespace mirrodex
