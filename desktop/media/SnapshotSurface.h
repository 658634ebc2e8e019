// The 24-bit picture that screenshots and video frames are written from: top row first, pixels
// stored B, G, R, each row padded with zero bytes to a multiple of 4 bytes (so a row is exactly
// a BMP row). Filled from a picture in memory, every source pixel becoming a zoom x zoom block.
// Owns its pixels. One thread at a time; Fill may be called again to reuse the storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desktop/media/MediaResult.h"
#include "desktop/media/PictureView.h"

namespace mirrodex {

class SnapshotSurface {
 public:
  // Largest side: what a JPEG file can hold, so every surface can be written in both formats.
  static constexpr uint32_t kMaxSide = 65500;
  // Largest pixel storage: keeps BMP sizes within their 32-bit fields.
  static constexpr size_t kMaxBytes = size_t{1} << 30;

  // Copies `picture` scaled by `zoom` (1 or more). On failure the surface is left empty.
  [[nodiscard]] MediaResult Fill(const PictureView& picture, uint32_t zoom);

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Bytes per row: width x 3 rounded up to a multiple of 4.
  size_t RowBytes() const { return rowBytes_; }
  // Row y (0 = top): Width() pixels B, G, R, then zero padding up to RowBytes().
  const uint8_t* Row(uint32_t y) const { return bits_.data() + y * rowBytes_; }

  // The failure for an attempt to save before any picture exists.
  static MediaResult NothingToSave() {
    return MediaResult::Failure(
        "There is no device picture to save yet. Connect to the device and try again.");
  }

  static size_t PaddedRowBytes(uint32_t width) { return (size_t{width} * 3 + 3) & ~size_t{3}; }

 private:
  void Clear();

  uint32_t width_ = 0, height_ = 0;
  size_t rowBytes_ = 0;
  std::vector<uint8_t> bits_;
};

}  // namespace mirrodex
