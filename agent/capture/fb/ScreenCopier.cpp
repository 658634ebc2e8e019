#include "agent/capture/fb/ScreenCopier.h"

namespace mirrodex {

void ScreenCopier::Prepare(const FramebufferLayout& layout, const CaptureState& state) {
  convert_ = RowConversion::For(layout);
  sourceWidth_ = layout.width;
  sourceHeight_ = layout.height;
  sourceStride_ = layout.lineLength;
  servedHeight_ = state.height;
  halved_ = state.scaleMode == ScaleMode::kHalved;
  format_ = state.colourFormat;
  rowPair_.assign(halved_ && !convert_.IsPlainCopy() ? size_t{2} * sourceWidth_ : 0, 0);
}

void ScreenCopier::Copy(const uint8_t* src, ScreenEncoder& encoder) {
  uint16_t* dst = encoder.CurrentImage();
  const size_t dstStride = encoder.ImageStride();
  if (!halved_) {
    for (uint32_t y = 0; y < servedHeight_; ++y) convert_(src + y * sourceStride_, sourceWidth_, dst + y * dstStride);
    return;
  }
  auto* dstBytes = reinterpret_cast<uint8_t*>(dst);
  const size_t dstStrideBytes = dstStride * 2;
  if (convert_.IsPlainCopy()) {
    HalveByAveraging(src, sourceStride_, sourceWidth_, sourceHeight_, format_, dstBytes, dstStrideBytes);
    return;
  }
  // Each served row averages two converted screen rows.
  uint16_t* pair = rowPair_.data();
  for (uint32_t y = 0; y < servedHeight_; ++y) {
    const uint8_t* top = src + size_t{2 * y} * sourceStride_;
    convert_(top, sourceWidth_, pair);
    convert_(top + sourceStride_, sourceWidth_, pair + sourceWidth_);
    HalveByAveraging(reinterpret_cast<const uint8_t*>(pair), size_t{sourceWidth_} * 2, sourceWidth_, 2, format_,
                     dstBytes + y * dstStrideBytes, dstStrideBytes);
  }
}

}  // namespace mirrodex
