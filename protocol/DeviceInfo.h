// The 28-byte record the agent sends first on the screen session, and its validation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace mirrodex {

enum ColourFormat : uint16_t {
  kColourRgb555 = 5,
  kColourRgb565 = 6,
  kColourRgb444 = 7,
  kColourReducedGrey = 9,  // the desktop's setting for the reduced-colour coding methods
};

// Device flags (offset 17).
inline constexpr uint8_t kDeviceFlagHighResolution = 0x01;
inline constexpr uint8_t kDeviceFlagSmartphone = 0x02;

inline constexpr uint32_t kDeviceInfoSize = 28;
inline constexpr uint16_t kBlockSize = 8;
inline constexpr uint16_t kPixelsPerBlock = 64;
inline constexpr uint16_t kPaletteIndexLimit = 511;
// Block coordinates travel as bytes, so neither side may exceed 256 blocks.
inline constexpr uint32_t kMaxScreenDimension = 2048;

struct DeviceInfo {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t bitsPerPixel = 16;
  uint8_t inverted = 0;
  uint8_t landscape = 0;
  uint8_t reserved = 0;
  uint16_t blockWidth = kBlockSize;
  uint16_t blockHeight = kBlockSize;
  uint16_t blockColumns = 0;
  uint16_t blockRows = 0;
  uint8_t platform = 2;
  uint8_t deviceFlags = 0;
  uint16_t colourFormat = kColourRgb565;
  uint16_t paletteLimit = kPaletteIndexLimit;
  uint16_t pixelsPerBlock = kPixelsPerBlock;
  int16_t xPitch = 2;
  int16_t yPitch = 0;

  std::array<uint8_t, kDeviceInfoSize> Pack() const;
  static DeviceInfo Parse(std::span<const uint8_t, kDeviceInfoSize> bytes);

  // Bytes per pixel as the desktop reads it: 12 bits count as 16.
  uint32_t BytesPerPixel() const { return ((bitsPerPixel == 12 ? 16u : bitsPerPixel) + 7) / 8; }

  // A geometry the decoder can hold safely: 1..2048 pixels each way, 8 x 8 blocks of 64
  // pixels, a block column count that covers the width, a known colour format (5, 6, 7 or
  // the desktop's 9) and 1..32 bits per pixel. Returns the reason when refused.
  std::optional<const char*> Problem() const;
  bool IsValid() const { return !Problem().has_value(); }
};

// Fills the geometry fields for a screen of width x height in 8 x 8 blocks (partial blocks
// at the right and bottom edges are counted).
DeviceInfo MakeDeviceInfo(uint16_t width, uint16_t height, uint16_t colourFormat);

}  // namespace mirrodex
