// Device pixel formats: the reduced-colour (grey) table, 2 x 2 averaging for halved screens
// and the scale-mode geometry rule. Shared by every capture backend and the encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mirrodex {

// 8-bit channel values of a 16-bit device pixel in format 5 (RGB555), 6 (RGB565) or 7 (RGB444).
struct Rgb8 {
  uint8_t r, g, b;
};
Rgb8 ExpandPixel(uint16_t format, uint16_t pixel);

// The 3-bit luminance (0.299 R + 0.587 G + 0.114 B, top three bits) of every 16-bit value of
// `format`, written to table[0..65535]. The desktop paints these three bits as a grey level.
void BuildReductionTable(uint16_t format, uint8_t* table);

// Per-channel floor mean of two pixels without carries between channels.
constexpr uint16_t ChannelMaskAfterShift(uint16_t format) {
  return format == 5 ? 0x3DEF : format == 7 ? 0x0777 : 0x7BEF;
}
inline uint16_t AveragePixels(uint16_t x, uint16_t y, uint16_t maskAfterShift) {
  return static_cast<uint16_t>((x & y) + (((x ^ y) >> 1) & maskAfterShift));
}

// Halves a srcWidth x srcHeight picture (srcStride bytes per row) into dst (dstStride bytes
// per row) by averaging each 2 x 2 square; an odd last column or row is dropped.
void HalveByAveraging(const uint8_t* src, size_t srcStride, uint32_t srcWidth, uint32_t srcHeight,
                      uint16_t format, uint8_t* dst, size_t dstStride);

enum class ScaleMode : uint8_t {
  kAsIs = 0,      // below 130 pixels per inch: the display as it is
  kFullSize = 1,  // a high-resolution screen of at most 240 x 320
  kHalved = 2,    // a larger high-resolution screen, or one over 2048 pixels
};

struct CaptureGeometry {
  ScaleMode mode;
  uint32_t width, height;  // what the encoder codes
};

inline constexpr uint32_t kUnknownDpi = 96;
inline constexpr uint32_t kHighResolutionDpi = 130;

// The geometry a screen of the given size and pixels per inch is served at. Screens over
// 2048 pixels are halved whatever the resolution; nullopt when even that does not fit.
std::optional<CaptureGeometry> ChooseCaptureGeometry(uint32_t width, uint32_t height, uint32_t dpi);

}  // namespace mirrodex
