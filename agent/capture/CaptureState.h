// What a capture backend learned about the screen: geometry, pixel format and flags. The
// agent builds its DeviceInfo from it.
#pragma once

#include <cstdint>

#include "agent/capture/PixelFormats.h"

namespace mirrodex {

// Device flags word: bit 8 high-resolution screen, bit 9 smartphone platform.
inline constexpr uint16_t kCaptureFlagHighResolution = 0x0100;
inline constexpr uint16_t kCaptureFlagSmartphone = 0x0200;

struct CaptureState {
  uint32_t width = 0;   // served geometry (after halving)
  uint32_t height = 0;
  uint32_t bytesPerPixel = 2;
  uint32_t bitsPerPixel = 16;
  int32_t xPitch = 2;   // bytes, as the device reports them
  int32_t yPitch = 0;
  uint16_t colourFormat = 6;  // 5, 6 or 7
  bool inverted = false;
  bool landscape = false;
  uint16_t deviceFlags = 0;
  ScaleMode scaleMode = ScaleMode::kAsIs;
  uint32_t dpi = kUnknownDpi;
};

}  // namespace mirrodex
