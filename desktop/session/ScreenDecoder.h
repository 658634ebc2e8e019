// The desktop's screen update decoder: applies field payloads to a 16-bit RGB555 frame buffer.
// Threads: ResetGeometry, ResetPalette and ApplyUpdate run on the screen-session thread; the
// picture is read by the presenting thread after a frame-complete notification.
// Allocation happens only in ResetGeometry; ApplyUpdate never allocates and never touches
// memory outside the decoder's storage, whatever the payload holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "protocol/DeviceInfo.h"

namespace mirrodex {

class ScreenDecoder {
 public:
  using FrameCompleteHandler = std::function<void()>;

  struct UpdateResult {
    uint32_t fields = 0;           // field units decoded
    uint32_t framesCompleted = 0;  // frame-complete notifications raised
    bool truncated = false;        // the payload ended inside a unit, record or code
  };

  ScreenDecoder();

  // (Re)builds the frame buffer and tables from a DeviceInfo whose colour format may be the
  // desktop's 9. Refuses (returns false, keeping the previous geometry) an unsafe geometry.
  [[nodiscard]] bool ResetGeometry(const DeviceInfo& info);
  // A new screen-session connection: the palette fills from index 1 again.
  void ResetPalette() { fillIndex_ = 1; }
  UpdateResult ApplyUpdate(std::span<const uint8_t> payload);

  // Called on the decoding thread after a field that completes an image.
  void SetFrameCompleteHandler(FrameCompleteHandler handler) { onFrameComplete_ = std::move(handler); }

  bool HasGeometry() const { return width_ != 0; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  // Row stride of the frame buffer in pixels: the width rounded up to whole blocks.
  uint32_t Stride() const { return stride_; }
  uint16_t ColourFormat() const { return format_; }
  const DeviceInfo& Info() const { return info_; }
  // The frame buffer, RGB555, Stride() pixels per row; Width() x Height() of it is the picture.
  const uint16_t* Frame() const { return frame_.get(); }
  // Copies the visible picture, Width() pixels per row, into `out` (Width() * Height() pixels).
  void CopyPicture(uint16_t* out) const;
  uint32_t FillIndex() const { return fillIndex_; }
  uint16_t PaletteEntry(uint32_t index) const { return palette_[index & 0xFFFF]; }

 private:
  // Decodes one field unit starting at `pos`; returns the position after it, or the payload
  // end when the unit is cut short.
  size_t DecodeFieldUnit(const uint8_t* data, size_t size, size_t pos, UpdateResult& result);
  size_t DecodeRecord(const uint8_t* data, size_t end, size_t pos, uint32_t positionBase,
                      UpdateResult& result);
  void CopyFromLeft(uint32_t column, uint32_t row, uint32_t positionBase);

  DeviceInfo info_{};
  uint32_t width_ = 0, height_ = 0, stride_ = 0;
  uint32_t blockColumns_ = 0, blockRows_ = 0;
  uint32_t band_ = 0;  // pixels of one block row
  uint16_t format_ = 0;
  std::unique_ptr<uint16_t[]> frame_;
  size_t framePixels_ = 0;
  std::vector<uint32_t> blockOffsets_;  // [column * 64 + scan position] -> offset in a band
  std::unique_ptr<uint16_t[]> palette_;
  uint32_t fillIndex_ = 1;
  FrameCompleteHandler onFrameComplete_;
};

}  // namespace mirrodex
