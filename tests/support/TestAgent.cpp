#include "tests/support/TestAgent.h"

#include <array>
#include <cstdlib>

#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex::test {

TestAgent::TestAgent(uint16_t width, uint16_t height, uint16_t colourFormat) {
  if (!encoder_.Setup(width, height, colourFormat)) abort();
  info_ = encoder_.Describe();
}

bool TestAgent::Connect(uint16_t commandPort, uint16_t screenPort, int timeoutMs) {
  return Open(TestSocket::Connect(commandPort, timeoutMs), TestSocket::Connect(screenPort, timeoutMs));
}

bool TestAgent::Open(TestSocket command, TestSocket screen) {
  command_ = std::move(command);
  screen_ = std::move(screen);
  return OpenCommand() && OpenScreen();
}

bool TestAgent::OpenCommand() { return command_.IsOpen() && command_.SendAll("xx", 2); }

bool TestAgent::OpenScreen() {
  const auto packed = info_.Pack();
  std::array<uint8_t, kSessionSettingsSize> settings{};
  if (!screen_.IsOpen() || !screen_.SendAll(packed) ||
      !screen_.ReceiveExact(settings.data(), settings.size())) {
    return false;
  }
  settings_ = SessionSettings::Parse(settings);
  CompressionParams params;
  params.compressor = settings_.compressor;
  params.zlibLevel = static_cast<int>(settings_.compressionLevel == 0 ? 1 : settings_.compressionLevel);
  screenWriter_.SetParams(params);
  screenWriter_.ResetThreshold();
  encoder_.StartSession();
  encoder_.SelectKind(settings_.codingMethod);
  return true;
}

int TestAgent::SendPicture(std::span<const uint16_t> pixels) {
  encoder_.LoadImage(pixels.data(), size_t{encoder_.Width()} * 2);
  int sent = 0;
  do {
    const auto payload = encoder_.EncodeNextField();
    if (payload.empty()) continue;
    if (!screenWriter_.Build(payload, out_) || !screen_.SendAll(out_.Bytes())) return -1;
    ++sent;
  } while (!encoder_.NeedsCapture());
  return sent;
}

bool TestAgent::SendScreenMessage(const MessageHeader& header, std::span<const uint8_t> body) {
  uint8_t bytes[kHeaderSize];
  header.Pack(bytes);
  return screen_.SendAll(bytes, sizeof bytes) && screen_.SendAll(body);
}

bool TestAgent::SendClose() { return SendScreenMessage(CloseMessage()); }

std::optional<TestAgent::Message> TestAgent::ReadCommandMessage(int timeoutMs) {
  uint8_t bytes[kHeaderSize];
  if (!command_.ReceiveExact(bytes, sizeof bytes, timeoutMs)) return std::nullopt;
  Message message{MessageHeader::Parse(bytes), {}};
  if (!message.header.HasBody()) return message;
  std::vector<uint8_t> body(message.header.Length());
  if (!command_.ReceiveExact(body.data(), body.size(), timeoutMs)) return std::nullopt;
  if (!message.header.IsCompressed()) {
    message.payload = std::move(body);
    return message;
  }
  ByteBuffer inflated;
  if (InflatePayload(Compressor::kZlib, body, message.header.word1, kMaxReplyPayloadBytes,
                     inflated) != InflateResult::kOk) {
    return std::nullopt;
  }
  message.payload.assign(inflated.Bytes().begin(), inflated.Bytes().end());
  return message;
}

bool TestAgent::SendReply(std::span<const uint8_t> payload) {
  return replyWriter_.Build(payload, out_) && command_.SendAll(out_.Bytes());
}

std::vector<uint16_t> TestAgent::Pattern(uint32_t seed) const {
  const uint32_t width = encoder_.Width();
  const uint32_t height = encoder_.Height();
  std::vector<uint16_t> pixels(size_t{width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      // Flat bands (palette codes) with a moving diagonal of distinct values (literals).
      uint32_t v = ((x / 16 + y / 24 + seed) % 6) * 0x2945u;
      if ((x + y + seed * 7) % 29 == 0) v = (x * 131 + y * 71 + seed * 977) & 0xFFFFu;
      pixels[size_t{y} * width + x] = static_cast<uint16_t>(v);
    }
  }
  return pixels;
}

std::vector<uint16_t> TestAgent::Expected(std::span<const uint16_t> pixels) const {
  std::vector<uint16_t> out(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) out[i] = ToRgb555(info_.colourFormat, pixels[i]);
  return out;
}

}  // namespace mirrodex::test
