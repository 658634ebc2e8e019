// The 8-byte header every message carries after the opening exchange: word0 holds the type in
// its top four bits and the body length L below; word1's meaning depends on the type.
#pragma once

#include <cstdint>

#include "protocol/LittleEndian.h"

namespace mirrodex {

inline constexpr uint32_t kHeaderSize = 8;
inline constexpr uint32_t kTypeMask = 0xF0000000u;
inline constexpr uint32_t kLengthMask = 0x0FFFFFFFu;

enum class MessageType : uint32_t {
  kRawData = 0x00000000u,
  kCompressedData = 0x30000000u,
  kStatusValue = 0x40000000u,
  kIdle = 0x80000000u,
  kClose = 0xC0000000u,
  kCommandWord = 0xE0000000u,
};

struct MessageHeader {
  uint32_t word0 = 0;
  uint32_t word1 = 0;

  uint32_t TypeBits() const { return word0 & kTypeMask; }
  uint32_t Length() const { return word0 & kLengthMask; }
  // Status value, idle, close and command word carry no body; every other type is followed
  // by L bytes (unknown types are read as raw data).
  bool HasBody() const {
    const uint32_t t = TypeBits();
    return t != static_cast<uint32_t>(MessageType::kStatusValue) &&
           t != static_cast<uint32_t>(MessageType::kIdle) &&
           t != static_cast<uint32_t>(MessageType::kClose) &&
           t != static_cast<uint32_t>(MessageType::kCommandWord);
  }
  bool IsCompressed() const {
    return TypeBits() == static_cast<uint32_t>(MessageType::kCompressedData);
  }

  static MessageHeader Parse(const uint8_t* bytes) { return {LoadU32(bytes), LoadU32(bytes + 4)}; }
  void Pack(uint8_t* bytes) const {
    StoreU32(bytes, word0);
    StoreU32(bytes + 4, word1);
  }
};

inline MessageHeader MakeHeader(MessageType type, uint32_t length, uint32_t word1) {
  return {static_cast<uint32_t>(type) | (length & kLengthMask), word1};
}

// The close message ends a session: word0 = 0xC0000000, word1 = 0, no body.
inline MessageHeader CloseMessage() { return MakeHeader(MessageType::kClose, 0, 0); }

}  // namespace mirrodex
