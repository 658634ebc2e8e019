// Where the pixels of a framebuffer lie and how they are coded, whether it came from a Linux
// framebuffer device or an XWD file. Plain values; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace mirrodex {

// How a framebuffer's pixels reach the encoder: copied as they are in one of the three
// 16-bit device formats, or converted to 5-6-5.
enum class SourceCoding : uint8_t {
  kDirect555,
  kDirect565,
  kDirect444,
  kConvertTo565,
};

// A colour channel inside a pixel word: bit offset of its lowest bit and its width in bits.
struct PixelChannel {
  uint32_t offset = 0;
  uint32_t length = 0;
  bool operator==(const PixelChannel&) const = default;
};

struct FramebufferLayout {
  uint32_t width = 0;  // visible pixels
  uint32_t height = 0;
  uint32_t bitsPerPixel = 0;  // 16, 24 or 32
  uint32_t lineLength = 0;    // bytes from one row to the next
  uint64_t firstPixel = 0;    // byte offset of the top-left visible pixel in the mapping
  PixelChannel red, green, blue;
  bool bigEndian = false;  // pixel words stored most significant byte first
  uint32_t widthMm = 0;    // physical width when the device knows it, else 0
  SourceCoding coding = SourceCoding::kConvertTo565;  // set by ValidateFramebufferLayout

  uint32_t BytesPerPixel() const { return bitsPerPixel / 8; }
  // Bytes of the mapping the visible picture reaches into (offset included).
  uint64_t BytesNeeded() const {
    if (width == 0 || height == 0) return firstPixel;
    return firstPixel + static_cast<uint64_t>(height - 1) * lineLength +
           static_cast<uint64_t>(width) * BytesPerPixel();
  }
  bool operator==(const FramebufferLayout&) const = default;
};

// Largest source side accepted: the encoder takes at most 2048, halving doubles that.
inline constexpr uint32_t kMaxFramebufferSide = 4096;
// Rows longer than this are not a real screen (16384 bytes hold 4096 32-bit pixels).
inline constexpr uint32_t kMaxFramebufferLineLength = 65536;

// The colour format code (5, 6 or 7) the screen is served in.
uint16_t ServedColourFormat(SourceCoding coding);

// Checks sizes, pitch and channels against the bytes available and sets `layout.coding`;
// false with `error` saying what is wrong.
[[nodiscard]] bool ValidateFramebufferLayout(FramebufferLayout& layout, uint64_t bytesAvailable,
                                             std::string& error);

}  // namespace mirrodex
