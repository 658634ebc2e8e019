// A borrowed, read-only description of a picture in memory, top row first: the decoder's RGB555
// frame buffer or a 24-bit R, G, B drawing surface. The view owns nothing; the pixels must stay
// unchanged while a caller reads through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mirrodex {

enum class PixelFormat {
  kRgb555,  // 16-bit pixels: bits 10..14 red, 5..9 green, 0..4 blue
  kRgb888,  // 3 bytes per pixel: R, G, B
};

struct PictureView {
  PixelFormat format = PixelFormat::kRgb555;
  const void* pixels = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  size_t strideBytes = 0;  // from the start of one row to the next

  static PictureView Rgb555(const uint16_t* pixels, uint32_t width, uint32_t height,
                            uint32_t stridePixels) {
    return {PixelFormat::kRgb555, pixels, width, height, size_t{stridePixels} * 2};
  }
  static PictureView Rgb888(const uint8_t* pixels, uint32_t width, uint32_t height,
                            size_t strideBytes) {
    return {PixelFormat::kRgb888, pixels, width, height, strideBytes};
  }

  size_t BytesPerPixel() const { return format == PixelFormat::kRgb555 ? 2 : 3; }
  // A view that can be read: pixels present and rows at least one picture row long.
  bool IsReadable() const {
    return pixels != nullptr && strideBytes >= size_t{width} * BytesPerPixel();
  }
};

}  // namespace mirrodex
