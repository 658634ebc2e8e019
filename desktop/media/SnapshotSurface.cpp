#include "desktop/media/SnapshotSurface.h"

#include <cstring>
#include <string>

namespace mirrodex {
namespace {

// 5-bit channel to 8 bits with the top bits repeated, so 0 stays black and 31 becomes 255.
inline uint8_t Expand5(uint32_t v) {
  return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// Writes one source row as B, G, R, each pixel repeated `zoom` times.
void ConvertRow(const PictureView& picture, uint32_t y, uint32_t zoom, uint8_t* out) {
  const auto* row = static_cast<const uint8_t*>(picture.pixels) + y * picture.strideBytes;
  for (uint32_t x = 0; x < picture.width; ++x) {
    uint8_t b, g, r;
    if (picture.format == PixelFormat::kRgb555) {
      uint16_t p;
      std::memcpy(&p, row + size_t{x} * 2, 2);  // rows need not be 2-byte aligned
      r = Expand5((p >> 10) & 0x1F);
      g = Expand5((p >> 5) & 0x1F);
      b = Expand5(p & 0x1F);
    } else {
      const uint8_t* s = row + size_t{x} * 3;
      r = s[0];
      g = s[1];
      b = s[2];
    }
    for (uint32_t k = 0; k < zoom; ++k, out += 3) {
      out[0] = b;
      out[1] = g;
      out[2] = r;
    }
  }
}

}  // namespace

void SnapshotSurface::Clear() {
  width_ = height_ = 0;
  rowBytes_ = 0;
  bits_.clear();
}

MediaResult SnapshotSurface::Fill(const PictureView& picture, uint32_t zoom) {
  Clear();
  if (picture.width == 0 || picture.height == 0) return NothingToSave();
  if (!picture.IsReadable() || zoom == 0)
    return MediaResult::Failure(
        "The device picture could not be read (its description is inconsistent). This is a "
        "program fault; please report it.");
  const uint64_t width = uint64_t{picture.width} * zoom;
  const uint64_t height = uint64_t{picture.height} * zoom;
  if (width > kMaxSide || height > kMaxSide ||
      PaddedRowBytes(static_cast<uint32_t>(width)) * height > kMaxBytes)
    return MediaResult::Failure("The picture of " + std::to_string(width) + " x " +
                                std::to_string(height) +
                                " pixels is too large to save. Use zoom 1 and try again.");

  width_ = static_cast<uint32_t>(width);
  height_ = static_cast<uint32_t>(height);
  rowBytes_ = PaddedRowBytes(width_);
  bits_.assign(rowBytes_ * height_, 0);  // zero padding bytes are part of the file format
  for (uint32_t y = 0; y < picture.height; ++y) {
    uint8_t* first = bits_.data() + size_t{y} * zoom * rowBytes_;
    ConvertRow(picture, y, zoom, first);
    for (uint32_t k = 1; k < zoom; ++k) std::memcpy(first + k * rowBytes_, first, rowBytes_);
  }
  return MediaResult::Success();
}

}  // namespace mirrodex
