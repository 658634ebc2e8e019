// The agent's screen update encoder: turns captured images into interlaced field payloads of
// block records against a palette the desktop mirrors.
// Thread: one screen-session thread drives it. All buffers are sized in Setup; encoding a
// field allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "protocol/DeviceInfo.h"

namespace mirrodex {

class ScreenEncoder {
 public:
  // What the last EncodeNextField did, for statistics and tests.
  struct FieldStats {
    bool sent = false;
    uint16_t header = 0;
    uint32_t paletteEntries = 0;
    uint32_t records = 0;
    uint32_t blockBytes = 0;  // A
    uint32_t payloadBytes = 0;
  };

  ScreenEncoder();
  ~ScreenEncoder();
  ScreenEncoder(const ScreenEncoder&) = delete;
  ScreenEncoder& operator=(const ScreenEncoder&) = delete;

  // Sizes every buffer and builds the tables for a width x height screen in the colour
  // format 5, 6 or 7. Widths and heights need not be multiples of 8 (edge blocks are padded);
  // both must be 1..2048. Returns false for anything else.
  [[nodiscard]] bool Setup(uint32_t width, uint32_t height, uint16_t colourFormat);
  // A new screen session: the first field resets the palette and two intra fields follow.
  void StartSession();
  // Coding method 0..3 from the settings: 2 and 3 are the reduced-colour coders.
  void SelectKind(uint32_t kind);

  // True when the next field is an even one, so a fresh capture is due before encoding.
  bool NeedsCapture() const { return evenField_; }
  // The image the next even field codes, ImageStride() pixels per row, padded to whole
  // blocks; a capture writes Width() x Height() of it and never touches the padding.
  uint16_t* CurrentImage() { return current_.get(); }
  uint32_t ImageStride() const { return stride_; }
  // Copies a packed picture (strideBytes per row) into the current image.
  void LoadImage(const uint16_t* pixels, size_t strideBytes);

  // Codes the next field. Returns the payload, or an empty span when there is nothing to
  // send for this field. The span stays valid until the next call.
  std::span<const uint8_t> EncodeNextField();

  const FieldStats& LastField() const { return stats_; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  uint16_t ColourFormat() const { return format_; }
  uint32_t Kind() const { return kind_; }
  // The DeviceInfo describing this geometry (platform and flags left at their defaults).
  DeviceInfo Describe() const;

 private:
  // Empties the palette and its reverse map; the next colour gets index 1.
  void ClearPalette();

  uint32_t width_ = 0, height_ = 0, stride_ = 0;
  uint32_t blockColumns_ = 0, blockRows_ = 0;
  uint16_t format_ = 0;
  uint32_t kind_ = 0;
  std::unique_ptr<uint16_t[]> current_;
  std::unique_ptr<uint16_t[]> previous_;
  std::unique_ptr<uint8_t[]> payload_;
  size_t payloadCapacity_ = 0;
  std::vector<uint32_t> blockOffsets_;  // [column * 64 + scan position] -> offset in a band
  std::unique_ptr<uint16_t[]> palette_;
  std::unique_ptr<uint16_t[]> reverse_;
  std::unique_ptr<uint8_t[]> reduction_;  // pixel value -> 3-bit grey level
  uint32_t nextIndex_ = 1, sentIndex_ = 1;
  bool evenField_ = true;
  bool intraPending_ = true;
  bool resetUnsent_ = false;     // a palette reset not yet announced in a sent message
  bool evenFieldSent_ = false;   // the current image's even field went out
  FieldStats stats_;
};

}  // namespace mirrodex
