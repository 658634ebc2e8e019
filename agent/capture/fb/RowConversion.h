// Turns one row of framebuffer pixels into the 16-bit pixels the encoder codes: a copy for
// the three 16-bit device formats, a conversion to 5-6-5 for everything else. Runs on every
// row of every frame, so the common layouts have their own tight loops.
// Thread: immutable after For(); any thread may convert.
#pragma once

#include <cstdint>

#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {

class RowConversion {
 public:
  // The conversion for a validated layout.
  static RowConversion For(const FramebufferLayout& layout);

  // Reads `width` pixels from src (any alignment) and writes `width` pixels to dst.
  void operator()(const uint8_t* src, uint32_t width, uint16_t* dst) const;

  // True when rows are copied unchanged, so callers may read the source directly.
  bool IsPlainCopy() const { return kind_ == Kind::kCopy16; }

 private:
  enum class Kind : uint8_t { kCopy16, kSwap16, kXrgb8888, kRgb888, kGeneric };
  // Where a channel's kept bits are: shift right, mask, then shift into place.
  struct Channel {
    uint32_t down = 0, keep = 0, up = 0, place = 0;
  };

  Kind kind_ = Kind::kCopy16;
  uint32_t bytesPerPixel_ = 2;
  bool bigEndian_ = false;
  Channel red_, green_, blue_;
};

}  // namespace mirrodex
