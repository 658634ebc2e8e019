#include "desktop/session/ScreenDecoder.h"

#include <algorithm>
#include <cstring>

#include "protocol/LittleEndian.h"
#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex {
namespace {

// Where the codes of one record land: null band for a record outside the screen.
struct CodeTarget {
  uint16_t* band;
  const uint32_t* offsets;
  const uint16_t* palette;
  uint32_t positionBase;
};

// Decodes `count` codes starting at data[pos]; returns the position after them, or `end`
// with `truncated` set when the codes run past it. The colour format is a template argument
// so the per-code conversion is resolved at compile time.
template <uint16_t Format>
size_t DecodeCodes(const uint8_t* data, size_t end, size_t pos, uint32_t count, const CodeTarget& t,
                   bool& truncated) {
  for (uint32_t i = 0; i < count; ++i) {
    if (pos >= end) {
      truncated = true;
      return end;
    }
    const uint8_t b = data[pos];
    uint32_t position;
    uint16_t value;
    if constexpr (Format == kColourReducedGrey) {
      position = b & 0x1F;
      value = GreyLevelToRgb555(b >> 5);
      pos += 1;
    } else {
      switch (b & kCodeTagMask) {
        case kCodeLiteral:
          if (end - pos < 3) {
            truncated = true;
            return end;
          }
          position = b & 0x3F;
          value = ToRgb555(Format, static_cast<uint16_t>((data[pos + 1] << 8) | data[pos + 2]));
          pos += 3;
          break;
        case kCodeSmallLiteral:
          if (end - pos < 2) {
            truncated = true;
            return end;
          }
          position = b & 0x1F;
          value = ToRgb555(Format, static_cast<uint16_t>(((b & 0x20) << 3) + data[pos + 1]));
          pos += 2;
          break;
        case kCodeShortIndex: {
          const uint32_t slot = (b >> 3) & 3;
          position = b & 0x07;
          value = t.palette[slot == 0 ? 4 : slot];
          pos += 1;
          break;
        }
        default:
          if (end - pos < 2) {
            truncated = true;
            return end;
          }
          position = b & 0x1F;
          value = t.palette[((b & 0x20) << 3) + data[pos + 1]];
          pos += 2;
          break;
      }
    }
    const uint32_t scanPosition = position + t.positionBase;
    if (t.band != nullptr && scanPosition < kPixelsPerBlock) t.band[t.offsets[scanPosition]] = value;
  }
  return pos;
}

}  // namespace

ScreenDecoder::ScreenDecoder() : palette_(std::make_unique<uint16_t[]>(kPaletteSize)) {}

bool ScreenDecoder::ResetGeometry(const DeviceInfo& info) {
  if (!info.IsValid()) return false;
  info_ = info;
  width_ = info.width;
  height_ = info.height;
  blockColumns_ = info.blockColumns;
  blockRows_ = (height_ + kBlockSize - 1) / kBlockSize;
  // Rows of whole blocks, so every block the payload may address lies inside the buffer.
  stride_ = std::max<uint32_t>(width_, blockColumns_ * kBlockSize);
  band_ = kBlockSize * stride_;
  format_ = info.colourFormat;
  // Always 16-bit, whatever bits per pixel the device reports.
  framePixels_ = static_cast<size_t>(band_) * blockRows_;
  frame_ = std::make_unique<uint16_t[]>(framePixels_);
  blockOffsets_.assign(static_cast<size_t>(blockColumns_) * kPixelsPerBlock, 0);
  for (uint32_t c = 0; c < blockColumns_; ++c) {
    for (uint32_t j = 0; j < kPixelsPerBlock; ++j) {
      const uint32_t s = kFieldScan[j];
      blockOffsets_[c * kPixelsPerBlock + j] = (s / kBlockSize) * stride_ + c * kBlockSize + s % kBlockSize;
    }
  }
  fillIndex_ = 1;
  return true;
}

void ScreenDecoder::CopyPicture(uint16_t* out) const {
  for (uint32_t y = 0; y < height_; ++y) {
    std::memcpy(out + static_cast<size_t>(y) * width_, frame_.get() + static_cast<size_t>(y) * stride_,
                width_ * sizeof(uint16_t));
  }
}

ScreenDecoder::UpdateResult ScreenDecoder::ApplyUpdate(std::span<const uint8_t> payload) {
  UpdateResult result;
  if (!HasGeometry()) return result;
  const uint8_t* data = payload.data();
  const size_t size = payload.size();
  size_t pos = 0;
  while (pos < size && !result.truncated) pos = DecodeFieldUnit(data, size, pos, result);
  return result;
}

size_t ScreenDecoder::DecodeFieldUnit(const uint8_t* data, size_t size, size_t pos,
                                      UpdateResult& result) {
  if (size - pos < 2) {
    result.truncated = true;
    return size;
  }
  const uint16_t header = LoadU16(data + pos);
  pos += 2;
  const bool interlaced = (header & kFieldInterlaced) != 0;
  const bool evenField = interlaced && (header & kFieldEven) != 0;
  if (header & kFieldPaletteReset) fillIndex_ = 1;
  const uint32_t entries = header & kFieldNewEntriesMask;
  for (uint32_t i = 0; i < entries; ++i, pos += 2) {
    if (size - pos < 2) {
      result.truncated = true;
      return size;
    }
    if (fillIndex_ < kPaletteSize) palette_[fillIndex_] = ToRgb555(format_, LoadU16(data + pos));
    ++fillIndex_;
  }
  if (size - pos < 4) {
    result.truncated = true;
    return size;
  }
  const uint32_t blockBytes = LoadU32(data + pos);
  pos += 4;
  // A section longer than the payload is decoded as far as the bytes go.
  size_t end = pos + std::min<size_t>(blockBytes, size - pos);
  if (blockBytes > size - pos) result.truncated = true;
  const uint32_t positionBase = evenField ? 0 : kFieldPositions;
  while (pos < end) pos = DecodeRecord(data, end, pos, positionBase, result);
  ++result.fields;
  if (!evenField && !result.truncated) {
    ++result.framesCompleted;
    if (onFrameComplete_) onFrameComplete_();
  }
  return end;
}

void ScreenDecoder::CopyFromLeft(uint32_t column, uint32_t row, uint32_t positionBase) {
  // Blocks are 8 pixels wide, so a field row of the left block sits 8 pixels to the left.
  uint16_t* band = frame_.get() + static_cast<size_t>(row) * band_;
  const uint32_t firstRow = positionBase == 0 ? 0 : 1;
  for (uint32_t r = firstRow; r < kBlockSize; r += 2) {
    uint16_t* dst = band + r * stride_ + column * kBlockSize;
    std::memcpy(dst, dst - kBlockSize, kBlockSize * sizeof(uint16_t));
  }
}

size_t ScreenDecoder::DecodeRecord(const uint8_t* data, size_t end, size_t pos,
                                   uint32_t positionBase, UpdateResult& result) {
  if (end - pos < kRecordHeaderBytes) {
    result.truncated = true;
    return end;
  }
  const uint8_t count = data[pos] & kRecordCountMask;
  const bool leftRelative = (data[pos] & kRecordLeftRelative) != 0;
  const uint32_t column = data[pos + 1];
  const uint32_t row = data[pos + 2];
  pos += kRecordHeaderBytes;
  // Codes of a record outside the screen are read past and dropped.
  const bool inside = column < blockColumns_ && row < blockRows_;
  if (inside && leftRelative && column > 0) CopyFromLeft(column, row, positionBase);
  if (count == 0) return pos;

  const CodeTarget target{
      inside ? frame_.get() + static_cast<size_t>(row) * band_ : nullptr,
      inside ? blockOffsets_.data() + static_cast<size_t>(column) * kPixelsPerBlock : nullptr,
      palette_.get(), positionBase};
  switch (format_) {
    case kColourRgb565:
      return DecodeCodes<kColourRgb565>(data, end, pos, count, target, result.truncated);
    case kColourRgb444:
      return DecodeCodes<kColourRgb444>(data, end, pos, count, target, result.truncated);
    case kColourReducedGrey:
      return DecodeCodes<kColourReducedGrey>(data, end, pos, count, target, result.truncated);
    default:
      return DecodeCodes<kColourRgb555>(data, end, pos, count, target, result.truncated);
  }
}

}  // namespace mirrodex
