// The coded layout of a screen update payload, shared by the agent's encoder and the
// desktop's decoder: field header bits, the field scan order, code tags and the colour
// conversion to the desktop's RGB555.
#pragma once

#include <array>
#include <cstdint>

namespace mirrodex {

// Field header (u16).
inline constexpr uint16_t kFieldInterlaced = 0x8000;
inline constexpr uint16_t kFieldEven = 0x4000;
inline constexpr uint16_t kFieldPaletteReset = 0x2000;
inline constexpr uint16_t kFieldNewEntriesMask = 0x1FFF;

// Block record count byte.
inline constexpr uint8_t kRecordLeftRelative = 0x80;
inline constexpr uint8_t kRecordCountMask = 0x7F;
inline constexpr uint32_t kRecordHeaderBytes = 3;
inline constexpr uint32_t kFieldPositions = 32;

// Full-colour code tags (top two bits of the first byte).
inline constexpr uint8_t kCodeTagMask = 0xC0;
inline constexpr uint8_t kCodeLiteral = 0x80;       // 3 bytes: position, value high, value low
inline constexpr uint8_t kCodeSmallLiteral = 0xC0;  // 2 bytes: value 0..511
inline constexpr uint8_t kCodeShortIndex = 0x40;    // 1 byte: palette slots 1..4
inline constexpr uint8_t kCodeIndex = 0x00;         // 2 bytes: palette index 0..511
inline constexpr uint32_t kLargestSmallLiteral = 510;
inline constexpr uint32_t kPaletteSize = 65536;
inline constexpr uint32_t kPaletteCapacity = 511;  // indices 1..511 on the wire
inline constexpr uint32_t kPaletteResetAt = 448;

// Scan position -> pixel number (row * 8 + column) within a block: even rows first.
inline constexpr std::array<uint8_t, 64> kFieldScan = [] {
  std::array<uint8_t, 64> scan{};
  for (int j = 0; j < 64; ++j) {
    const int fieldRow = (j % 32) / 8;           // 0..3 within the field
    const int row = fieldRow * 2 + (j >= 32);    // even field rows 0,2,4,6; odd 1,3,5,7
    scan[j] = static_cast<uint8_t>(row * 8 + j % 8);
  }
  return scan;
}();

// Device pixel -> RGB555 for the colour formats 5, 6 and 7 (anything else passes through).
constexpr uint16_t ToRgb555(uint32_t format, uint16_t v) {
  switch (format) {
    case 6:
      return static_cast<uint16_t>((v & 0x1F) + ((v >> 1) & 0x7FE0));
    case 7:
      return static_cast<uint16_t>((((((v & 0xF00) << 1) + (v & 0xF0)) << 1) + (v & 0xF)) << 1);
    default:
      return v;
  }
}

// The RGB555 grey of a reduced-colour code's three bits.
constexpr uint16_t GreyLevelToRgb555(uint32_t level) {
  return static_cast<uint16_t>((level << 12) | (level << 7) | (level << 2));
}

}  // namespace mirrodex
