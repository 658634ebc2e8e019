#include "agent/capture/PixelFormats.h"

#include <cstring>

namespace mirrodex {
namespace {

uint8_t Widen(uint32_t value, int bits) {
  // Replicate the top bits into the low ones so full scale maps to 255.
  const uint32_t v = value << (8 - bits);
  return static_cast<uint8_t>(v | (v >> bits));
}

}  // namespace

Rgb8 ExpandPixel(uint16_t format, uint16_t p) {
  switch (format) {
    case 5:
      return {Widen((p >> 10) & 0x1F, 5), Widen((p >> 5) & 0x1F, 5), Widen(p & 0x1F, 5)};
    case 7:
      return {Widen((p >> 8) & 0xF, 4), Widen((p >> 4) & 0xF, 4), Widen(p & 0xF, 4)};
    default:
      return {Widen((p >> 11) & 0x1F, 5), Widen((p >> 5) & 0x3F, 6), Widen(p & 0x1F, 5)};
  }
}

void BuildReductionTable(uint16_t format, uint8_t* table) {
  for (uint32_t v = 0; v < 65536; ++v) {
    const Rgb8 c = ExpandPixel(format, static_cast<uint16_t>(v));
    // Integer weights of 0.299, 0.587 and 0.114 scaled by 1000.
    const uint32_t luma = (299u * c.r + 587u * c.g + 114u * c.b) / 1000u;
    table[v] = static_cast<uint8_t>(luma >> 5);
  }
}

void HalveByAveraging(const uint8_t* src, size_t srcStride, uint32_t srcWidth, uint32_t srcHeight,
                      uint16_t format, uint8_t* dst, size_t dstStride) {
  const uint16_t mask = ChannelMaskAfterShift(format);
  const uint32_t outWidth = srcWidth / 2;
  const uint32_t outHeight = srcHeight / 2;
  for (uint32_t i = 0; i < outHeight; ++i) {
    const uint8_t* top = src + (2 * i) * srcStride;
    const uint8_t* bottom = top + srcStride;
    uint8_t* out = dst + i * dstStride;
    for (uint32_t j = 0; j < outWidth; ++j) {
      uint16_t p[4];
      std::memcpy(&p[0], top + 4 * j, 4);
      std::memcpy(&p[2], bottom + 4 * j, 4);
      const uint16_t a = AveragePixels(p[0], p[1], mask);
      const uint16_t b = AveragePixels(p[2], p[3], mask);
      const uint16_t mean = AveragePixels(a, b, mask);
      std::memcpy(out + 2 * j, &mean, 2);
    }
  }
}

std::optional<CaptureGeometry> ChooseCaptureGeometry(uint32_t width, uint32_t height, uint32_t dpi) {
  if (width == 0 || height == 0) return std::nullopt;
  const bool tooLarge = width > 2048 || height > 2048;
  if (!tooLarge && dpi < kHighResolutionDpi) return CaptureGeometry{ScaleMode::kAsIs, width, height};
  if (!tooLarge && width <= 240 && height <= 320) {
    return CaptureGeometry{ScaleMode::kFullSize, width, height};
  }
  const uint32_t halfWidth = width / 2, halfHeight = height / 2;
  if (halfWidth == 0 || halfHeight == 0 || halfWidth > 2048 || halfHeight > 2048) return std::nullopt;
  return CaptureGeometry{ScaleMode::kHalved, halfWidth, halfHeight};
}

}  // namespace mirrodex
