// Input events as 32-bit command words (sent in a command-word message).
#pragma once

#include <cstdint>

namespace mirrodex {

inline constexpr uint32_t kCommandClassMask = 0x0C000000u;
inline constexpr uint32_t kCommandClassKey = 0x04000000u;
inline constexpr uint32_t kCommandClassPointer = 0x08000000u;
inline constexpr uint32_t kKeyVirtualFlag = 0x00010000u;

enum class PointerAction : uint32_t { kMove = 0, kLeftUp = 1, kLeftDown = 2, kTogglePause = 3 };

// x must be below 4096.
constexpr uint32_t PointerWord(uint32_t x, uint32_t y, PointerAction action) {
  return ((static_cast<uint32_t>(action) | 8u) << 24) | ((x & 0xFFFu) << 12) | (y & 0xFFFu);
}

constexpr uint32_t KeyWord(uint32_t code, bool isVirtualKey) {
  return kCommandClassKey | (code & 0xFFFFu) | (isVirtualKey ? kKeyVirtualFlag : 0u);
}

struct DecodedCommand {
  enum class Kind { kKey, kPointer, kUnknown } kind = Kind::kUnknown;
  uint32_t keyCode = 0;  // bits 0..15
  bool isVirtualKey = false;
  uint32_t x = 0, y = 0;
  PointerAction action = PointerAction::kMove;
};

constexpr DecodedCommand DecodeCommand(uint32_t word) {
  DecodedCommand c;
  switch (word & kCommandClassMask) {
    case kCommandClassKey:
      c.kind = DecodedCommand::Kind::kKey;
      c.keyCode = word & 0xFFFFu;
      c.isVirtualKey = (word & kKeyVirtualFlag) != 0;
      break;
    case kCommandClassPointer:
      c.kind = DecodedCommand::Kind::kPointer;
      c.y = word & 0xFFFu;
      c.x = (word >> 12) & 0xFFFu;
      c.action = static_cast<PointerAction>((word >> 24) & 3u);
      break;
    default:
      break;
  }
  return c;
}

}  // namespace mirrodex
