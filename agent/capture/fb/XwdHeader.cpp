#include "agent/capture/fb/XwdHeader.h"

#include <bit>

namespace mirrodex {
namespace {

// Word positions in the header.
enum XwdField : uint32_t {
  kHeaderSizeField = 0,
  kFileVersion = 1,
  kPixmapFormat = 2,
  kPixmapWidth = 4,
  kPixmapHeight = 5,
  kXOffset = 6,
  kByteOrder = 7,
  kBitsPerPixel = 11,
  kBytesPerLine = 12,
  kVisualClass = 13,
  kRedMask = 14,
  kGreenMask = 15,
  kBlueMask = 16,
  kColourCount = 19,
};

constexpr uint32_t kZPixmap = 2;
constexpr uint32_t kTrueColor = 4, kDirectColor = 5;
constexpr uint32_t kXwdColourSize = 12;
// A window name and colour map beyond these are not an XWD file.
constexpr uint32_t kMaxHeaderSize = 65536;
constexpr uint32_t kMaxColours = 65536;

uint32_t Word(std::span<const uint8_t> file, uint32_t index) {
  const uint8_t* p = file.data() + 4 * index;
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A mask of one run of set bits; nullopt for an empty or broken mask.
std::optional<PixelChannel> ChannelFromMask(uint32_t mask) {
  if (mask == 0) return std::nullopt;
  const auto offset = static_cast<uint32_t>(std::countr_zero(mask));
  const uint32_t run = mask >> offset;
  if ((run & (run + 1)) != 0) return std::nullopt;
  return PixelChannel{offset, static_cast<uint32_t>(std::popcount(run))};
}

}  // namespace

std::optional<FramebufferLayout> ParseXwdHeader(std::span<const uint8_t> file, std::string& error) {
  if (file.size() < kXwdHeaderSize) {
    error = "the XWD file is too short for its header (" + std::to_string(file.size()) +
            " bytes, " + std::to_string(kXwdHeaderSize) + " needed)";
    return std::nullopt;
  }
  if (Word(file, kFileVersion) != kXwdVersion) {
    error = "not an XWD file of version 7 (found version word " +
            std::to_string(Word(file, kFileVersion)) + ")";
    return std::nullopt;
  }
  const uint32_t headerSize = Word(file, kHeaderSizeField);
  const uint32_t colours = Word(file, kColourCount);
  if (headerSize < kXwdHeaderSize || headerSize > kMaxHeaderSize || colours > kMaxColours) {
    error = "the XWD header is damaged (header size " + std::to_string(headerSize) + ", " +
            std::to_string(colours) + " colours)";
    return std::nullopt;
  }
  if (Word(file, kPixmapFormat) != kZPixmap) {
    error = "the XWD file does not hold a Z pixmap (format " +
            std::to_string(Word(file, kPixmapFormat)) + ")";
    return std::nullopt;
  }
  const uint32_t visual = Word(file, kVisualClass);
  if (visual != kTrueColor && visual != kDirectColor) {
    error = "the XWD screen uses a palette (visual class " + std::to_string(visual) +
            "); only true-colour screens can be captured";
    return std::nullopt;
  }
  const auto red = ChannelFromMask(Word(file, kRedMask));
  const auto green = ChannelFromMask(Word(file, kGreenMask));
  const auto blue = ChannelFromMask(Word(file, kBlueMask));
  const uint32_t byteOrder = Word(file, kByteOrder);
  if (!red || !green || !blue || byteOrder > 1) {
    error = "the XWD file's colour masks or byte order are damaged";
    return std::nullopt;
  }
  FramebufferLayout layout;
  layout.width = Word(file, kPixmapWidth);
  layout.height = Word(file, kPixmapHeight);
  layout.bitsPerPixel = Word(file, kBitsPerPixel);
  layout.lineLength = Word(file, kBytesPerLine);
  const uint32_t xOffset = Word(file, kXOffset);
  if (xOffset > kMaxFramebufferSide) {
    error = "the XWD file's x offset of " + std::to_string(xOffset) + " pixels is damaged";
    return std::nullopt;
  }
  layout.firstPixel = uint64_t{headerSize} + uint64_t{kXwdColourSize} * colours +
                      uint64_t{xOffset} * (layout.bitsPerPixel / 8);
  layout.red = *red;
  layout.green = *green;
  layout.blue = *blue;
  layout.bigEndian = byteOrder == 1;  // MSBFirst
  if (!ValidateFramebufferLayout(layout, file.size(), error)) return std::nullopt;
  return layout;
}

}  // namespace mirrodex
