#include "agent/session/CCommMgr.h"

#include <algorithm>
#include <limits>

#include "agent/session/AgentLog.h"
#include "protocol/MessageHeader.h"

namespace mirrodex {
namespace {

// A compressed body may exceed its payload by the compressors' worst-case overhead.
size_t CompressedBodyLimit(size_t payloadLimit) { return payloadLimit + payloadLimit / 100 + 1024; }

}  // namespace

bool CCommMgr::ReceiveExact(void* buffer, size_t length) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<uint32_t>::max());
    const uint32_t got = Receive(bytes + done, static_cast<uint32_t>(chunk));
    if (got == 0) return false;
    done += got;
  }
  return true;
}

bool CCommMgr::SendAll(const void* buffer, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<uint32_t>::max());
    const uint32_t sent = Send(bytes + done, static_cast<uint32_t>(chunk));
    if (sent == 0) return false;
    done += sent;
  }
  return true;
}

CCommMgr::Received CCommMgr::ReceiveMessage() {
  uint8_t headerBytes[kHeaderSize];
  if (!ReceiveExact(headerBytes, sizeof headerBytes)) return Received::kFailed;
  const MessageHeader header = MessageHeader::Parse(headerBytes);
  switch (header.TypeBits()) {
    case static_cast<uint32_t>(MessageType::kStatusValue):
    case static_cast<uint32_t>(MessageType::kIdle):
      return Received::kIdle;
    case static_cast<uint32_t>(MessageType::kClose):
      return Received::kClose;
    case static_cast<uint32_t>(MessageType::kCommandWord):
      commandWord_ = header.word1;
      return Received::kCommandWord;
    default:
      break;
  }
  const size_t length = header.Length();
  const size_t bodyLimit = header.IsCompressed() ? CompressedBodyLimit(payloadLimit_) : payloadLimit_;
  if (length > bodyLimit) {
    AgentLog("refused a message of %zu bytes from the desktop (at most %zu expected)", length,
             bodyLimit);
    return Received::kFailed;
  }
  CDynamicBuf& body = header.IsCompressed() ? bodyBuffer_ : payload_;
  body.Clear();
  body.Resize(length);
  if (length > 0 && !ReceiveExact(body.Data(), length)) return Received::kFailed;
  if (!header.IsCompressed()) return Received::kData;
  const InflateResult result =
      InflatePayload(settings_.compressor, body.Bytes(), header.word1, payloadLimit_, payload_);
  if (result != InflateResult::kOk) {
    AgentLog("a compressed message from the desktop %s",
             result == InflateResult::kTooLarge ? "is larger than allowed" : "does not decompress");
    return Received::kFailed;
  }
  return Received::kData;
}

bool CCommMgr::SendData(std::span<const uint8_t> payload) {
  writer_.SetParams(settings_.Compression());
  if (!writer_.Build(payload, sendBuffer_)) return false;
  return SendAll(sendBuffer_.Data(), sendBuffer_.Size());
}

bool CCommMgr::SendClose() {
  uint8_t bytes[kHeaderSize];
  CloseMessage().Pack(bytes);
  return SendAll(bytes, sizeof bytes);
}

bool CCommMgr::ApplySettings(const SessionSettings& settings) { return settings_.Apply(settings); }

}  // namespace mirrodex
