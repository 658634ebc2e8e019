#include "agent/capture/ScreenEncoder.h"

#include <algorithm>
#include <cstring>

#include "agent/capture/FieldCoders.h"
#include "agent/capture/PixelFormats.h"
#include "protocol/LittleEndian.h"
#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex {
namespace {

// Room in front of the block records for the largest field header: the header word, up to
// 511 palette entries and the block section length. The header is written backwards from
// here, so the records never move.
constexpr size_t kHeaderRoom = 2 + 2 * kPaletteCapacity + 4;
// The largest record: the record header and 32 three-byte literals.
constexpr size_t kMaxRecordBytes = kRecordHeaderBytes + kFieldPositions * 3;

}  // namespace

ScreenEncoder::ScreenEncoder()
    : palette_(std::make_unique<uint16_t[]>(kPaletteSize)),
      reverse_(std::make_unique<uint16_t[]>(kPaletteSize)),
      reduction_(std::make_unique<uint8_t[]>(kPaletteSize)) {}

ScreenEncoder::~ScreenEncoder() = default;

bool ScreenEncoder::Setup(uint32_t width, uint32_t height, uint16_t colourFormat) {
  if (width == 0 || height == 0 || width > kMaxScreenDimension || height > kMaxScreenDimension) {
    return false;
  }
  if (colourFormat != kColourRgb555 && colourFormat != kColourRgb565 && colourFormat != kColourRgb444) {
    return false;
  }
  width_ = width;
  height_ = height;
  format_ = colourFormat;
  blockColumns_ = (width + kBlockSize - 1) / kBlockSize;
  blockRows_ = (height + kBlockSize - 1) / kBlockSize;
  stride_ = blockColumns_ * kBlockSize;
  const size_t pixels = static_cast<size_t>(stride_) * blockRows_ * kBlockSize;
  // Zeroed once: the padding right of and below the screen stays zero for good.
  current_ = std::make_unique<uint16_t[]>(pixels);
  previous_ = std::make_unique<uint16_t[]>(pixels);
  payloadCapacity_ = kHeaderRoom + static_cast<size_t>(blockColumns_) * blockRows_ * kMaxRecordBytes;
  payload_ = std::make_unique_for_overwrite<uint8_t[]>(payloadCapacity_);
  blockOffsets_.assign(static_cast<size_t>(blockColumns_) * kPixelsPerBlock, 0);
  for (uint32_t c = 0; c < blockColumns_; ++c) {
    for (uint32_t j = 0; j < kPixelsPerBlock; ++j) {
      const uint32_t s = kFieldScan[j];
      blockOffsets_[c * kPixelsPerBlock + j] = (s % kBlockSize) + kBlockSize * c + (s / kBlockSize) * stride_;
    }
  }
  std::fill_n(palette_.get(), kPaletteSize, 0);
  std::fill_n(reverse_.get(), kPaletteSize, 0);
  BuildReductionTable(format_, reduction_.get());
  nextIndex_ = sentIndex_ = 1;
  evenField_ = intraPending_ = true;
  resetUnsent_ = evenFieldSent_ = false;
  stats_ = {};
  return true;
}

void ScreenEncoder::ClearPalette() {
  // Only the entries below nextIndex_ can be set, so clearing them clears both tables.
  for (uint32_t i = 1; i < std::min<uint32_t>(nextIndex_, kPaletteSize); ++i) {
    reverse_[palette_[i]] = 0;
    palette_[i] = 0;
  }
  nextIndex_ = sentIndex_ = 1;
}

void ScreenEncoder::StartSession() {
  // Cleared here rather than left to the first field's reset, which would only see the
  // entries below the forced index and keep the rest of the last session's colours.
  ClearPalette();
  nextIndex_ = kPaletteResetAt;
  evenField_ = true;
  intraPending_ = true;
  evenFieldSent_ = false;
}

void ScreenEncoder::SelectKind(uint32_t kind) { kind_ = kind & 3u; }

void ScreenEncoder::LoadImage(const uint16_t* pixels, size_t strideBytes) {
  const auto* src = reinterpret_cast<const uint8_t*>(pixels);
  for (uint32_t y = 0; y < height_; ++y) {
    std::memcpy(current_.get() + static_cast<size_t>(y) * stride_, src + y * strideBytes,
                width_ * sizeof(uint16_t));
  }
}

DeviceInfo ScreenEncoder::Describe() const {
  return MakeDeviceInfo(static_cast<uint16_t>(width_), static_cast<uint16_t>(height_), format_);
}

std::span<const uint8_t> ScreenEncoder::EncodeNextField() {
  stats_ = {};
  if (!current_) return {};
  if (nextIndex_ >= kPaletteResetAt) {
    ClearPalette();
    resetUnsent_ = true;
  }

  uint8_t* records = payload_.get() + kHeaderRoom;
  FieldCoderState state{current_.get(), previous_.get(), stride_,  blockColumns_,
                        blockRows_,     evenField_ ? 0u : kFieldPositions,
                        palette_.get(), reverse_.get(), reduction_.get(), nextIndex_};
  const bool reduced = kind_ >= 2;
  size_t blockBytes;
  if (intraPending_) {
    blockBytes = reduced ? CodeReducedIntra(state, records) : CodeFullColourIntra(state, records);
  } else if (!reduced) {
    blockBytes = CodeFullColourInter(state, records);
  } else {
    blockBytes = kind_ == 2 ? CodeReducedLeftOrPrevious(state, records)
                            : CodeReducedPreviousOnly(state, records);
  }
  nextIndex_ = state.nextIndex;
  stats_.records = state.records;

  const bool wasEven = evenField_;
  // An odd field must follow a sent even field even when it codes nothing, or the desktop
  // never presents that image.
  const bool send = blockBytes > 0 || (!wasEven && evenFieldSent_);
  evenField_ = !evenField_;
  if (!send) {
    if (evenField_) std::swap(current_, previous_);
    evenFieldSent_ = false;
    return {};
  }

  const uint32_t entries = nextIndex_ > sentIndex_ ? nextIndex_ - sentIndex_ : 0;
  const size_t headerBytes = 2 + 2 * static_cast<size_t>(entries) + 4;
  uint8_t* start = records - headerBytes;
  const auto header = static_cast<uint16_t>(kFieldInterlaced | (wasEven ? kFieldEven : 0) |
                                            (resetUnsent_ ? kFieldPaletteReset : 0) | entries);
  StoreU16(start, header);
  for (uint32_t i = 0; i < entries; ++i) StoreU16(start + 2 + 2 * i, palette_[sentIndex_ + i]);
  StoreU32(start + 2 + 2 * entries, static_cast<uint32_t>(blockBytes));
  sentIndex_ = nextIndex_;
  resetUnsent_ = false;

  if (evenField_) {
    // The odd field completed this image: it becomes the reference for the next one.
    std::swap(current_, previous_);
    intraPending_ = false;
    evenFieldSent_ = false;
  } else {
    evenFieldSent_ = true;
  }
  stats_.sent = true;
  stats_.header = header;
  stats_.paletteEntries = entries;
  stats_.blockBytes = static_cast<uint32_t>(blockBytes);
  stats_.payloadBytes = static_cast<uint32_t>(headerBytes + blockBytes);
  return {start, headerBytes + blockBytes};
}

}  // namespace mirrodex
