#include "desktop/session/SessionTransport.h"

#include <array>
#include <utility>

#include "protocol/LittleEndian.h"
#include "protocol/MessageHeader.h"

namespace mirrodex {
namespace {

// Room for a compressed body: a compressor may grow incompressible data slightly, and a
// sender whose raw threshold has grown sends such bodies compressed.
size_t MaxBodyBytes(size_t payloadLimit, bool compressed) {
  return compressed ? payloadLimit + payloadLimit / 100 + 1024 : payloadLimit;
}

}  // namespace

SessionTransport::SessionTransport(UserNotifier* notifier) : channel_(notifier) {}

bool SessionTransport::SendData(std::span<const uint8_t> payload) {
  if (!writer_.Build(payload, output_)) return false;
  return channel_.SendAll(output_.Data(), output_.Size());
}

SessionTransport::Received SessionTransport::ReceiveMessage() {
  received_.Clear();
  lastWireBytes_ = 0;
  uint8_t headerBytes[kHeaderSize];
  if (!channel_.ReceiveExact(headerBytes, sizeof headerBytes)) return Received::kFailed;
  const MessageHeader header = MessageHeader::Parse(headerBytes);
  lastWireBytes_ = kHeaderSize;
  switch (static_cast<MessageType>(header.TypeBits())) {
    case MessageType::kStatusValue:
    case MessageType::kCommandWord:
      received_.Append(headerBytes + 4, 4);
      return header.TypeBits() == static_cast<uint32_t>(MessageType::kStatusValue)
                 ? Received::kStatusValue
                 : Received::kCommandWord;
    case MessageType::kIdle:
      return Received::kIdle;
    case MessageType::kClose:
      return Received::kClose;
    default:
      break;
  }
  const uint32_t length = header.Length();
  if (length > MaxBodyBytes(payloadLimit_, header.IsCompressed())) return Received::kFailed;
  received_.Resize(length);
  if (!channel_.ReceiveExact(received_.Data(), length)) {
    received_.Clear();
    return Received::kFailed;
  }
  lastWireBytes_ += length;
  if (header.IsCompressed()) {
    if (InflatePayload(compressor_, received_.Bytes(), header.word1, payloadLimit_, inflated_) !=
        InflateResult::kOk) {
      received_.Clear();
      return Received::kFailed;
    }
    std::swap(received_, inflated_);
  }
  return Received::kData;
}

bool SessionTransport::ReadDeviceInfoAndSendSettings(const std::string& profileName,
                                                     const ProfileSettingsReader& readSettings,
                                                     int timeoutMs) {
  std::array<uint8_t, kDeviceInfoSize> bytes{};
  if (!channel_.ReceiveExact(bytes.data(), bytes.size(), timeoutMs)) return false;
  DeviceInfo info = DeviceInfo::Parse(bytes);
  if (info.Problem()) return false;
  const SessionSettings settings = readSettings ? readSettings(profileName) : SessionSettings{};
  if (settings.IsReducedColour()) info.colourFormat = kColourReducedGrey;
  if (info.xPitch < 0 || info.yPitch < 0) info.landscape = 1;
  info_ = info;
  compressor_ = settings.compressor;
  const auto packed = settings.Pack();
  return channel_.SendAll(packed.data(), packed.size());
}

bool SessionTransport::ReadGreeting(int timeoutMs) {
  uint8_t greeting[kGreetingSize];
  return channel_.ReceiveExact(greeting, sizeof greeting, timeoutMs);
}

}  // namespace mirrodex
