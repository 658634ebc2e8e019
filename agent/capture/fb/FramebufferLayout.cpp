#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {
namespace {

bool Is(const FramebufferLayout& l, PixelChannel r, PixelChannel g, PixelChannel b) {
  return l.bitsPerPixel == 16 && l.red == r && l.green == g && l.blue == b;
}

SourceCoding Classify(const FramebufferLayout& l) {
  if (Is(l, {10, 5}, {5, 5}, {0, 5})) return SourceCoding::kDirect555;
  if (Is(l, {11, 5}, {5, 6}, {0, 5})) return SourceCoding::kDirect565;
  if (Is(l, {8, 4}, {4, 4}, {0, 4})) return SourceCoding::kDirect444;
  return SourceCoding::kConvertTo565;
}

bool ChannelFits(const PixelChannel& c, uint32_t bits) {
  return c.length >= 1 && c.length <= 16 && c.offset < bits && c.length <= bits - c.offset;
}

}  // namespace

uint16_t ServedColourFormat(SourceCoding coding) {
  switch (coding) {
    case SourceCoding::kDirect555:
      return 5;
    case SourceCoding::kDirect444:
      return 7;
    default:
      return 6;
  }
}

bool ValidateFramebufferLayout(FramebufferLayout& layout, uint64_t bytesAvailable,
                               std::string& error) {
  const auto& l = layout;
  if (l.width == 0 || l.height == 0 || l.width > kMaxFramebufferSide ||
      l.height > kMaxFramebufferSide) {
    error = "the framebuffer is " + std::to_string(l.width) + " x " + std::to_string(l.height) +
            " pixels; screens of 1 to " + std::to_string(kMaxFramebufferSide) +
            " pixels each way can be captured";
    return false;
  }
  if (l.bitsPerPixel != 16 && l.bitsPerPixel != 24 && l.bitsPerPixel != 32) {
    error = "the framebuffer has " + std::to_string(l.bitsPerPixel) +
            " bits per pixel; only 16, 24 and 32-bit true-colour framebuffers can be captured";
    return false;
  }
  if (!ChannelFits(l.red, l.bitsPerPixel) || !ChannelFits(l.green, l.bitsPerPixel) ||
      !ChannelFits(l.blue, l.bitsPerPixel)) {
    error = "the framebuffer's colour channels do not fit its " + std::to_string(l.bitsPerPixel) +
            "-bit pixels";
    return false;
  }
  const uint64_t rowBytes = static_cast<uint64_t>(l.width) * l.BytesPerPixel();
  if (l.lineLength < rowBytes || l.lineLength > kMaxFramebufferLineLength) {
    error = "the framebuffer's line length of " + std::to_string(l.lineLength) +
            " bytes does not suit rows of " + std::to_string(rowBytes) + " bytes";
    return false;
  }
  if (l.BytesNeeded() > bytesAvailable) {
    error = "the framebuffer needs " + std::to_string(l.BytesNeeded()) + " bytes but only " +
            std::to_string(bytesAvailable) + " are there (a truncated file or a wrong mode?)";
    return false;
  }
  layout.coding = Classify(l);
  return true;
}

}  // namespace mirrodex
