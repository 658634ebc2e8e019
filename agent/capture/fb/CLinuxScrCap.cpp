#include "agent/capture/fb/CLinuxScrCap.h"

#include "agent/capture/fb/FbCaptureState.h"

namespace mirrodex {

bool CLinuxScrCap::Initialise() {
  Close();
  std::string error;
  const auto config = config_ ? config_ : FbCaptureConfigFromEnvironment(error);
  std::optional<CaptureState> state;
  if (config && display_.Open(config->framebuffer, error)) {
    state = MakeFbCaptureState(display_.Layout(), config->dpi, error);
  }
  if (!state) {
    lastError_ = error;
    Close();
    return false;
  }
  convert_ = RowConversion::For(display_.Layout());
  rowPair_.assign(state->scaleMode == ScaleMode::kHalved && !convert_.IsPlainCopy()
                      ? size_t{2} * display_.Layout().width
                      : 0,
                  0);
  if (!SetUpEncoder(*state)) {
    Close();
    return false;
  }
  lastError_.clear();
  return true;
}

bool CLinuxScrCap::Capture() {
  std::string error;
  const uint8_t* frame = display_.Frame(error);
  if (frame == nullptr) {
    lastError_ = error;
    return false;
  }
  if (state_.scaleMode == ScaleMode::kHalved) {
    CopyHalved(frame);
  } else {
    CopyFullSize(frame);
  }
  return true;
}

void CLinuxScrCap::CopyFullSize(const uint8_t* src) {
  const FramebufferLayout& layout = display_.Layout();
  uint16_t* dst = encoder_.CurrentImage();
  const size_t stride = encoder_.ImageStride();
  for (uint32_t y = 0; y < layout.height; ++y) {
    convert_(src + size_t{y} * layout.lineLength, layout.width, dst + y * stride);
  }
}

void CLinuxScrCap::CopyHalved(const uint8_t* src) {
  const FramebufferLayout& layout = display_.Layout();
  uint8_t* dst = reinterpret_cast<uint8_t*>(encoder_.CurrentImage());
  const size_t dstStride = size_t{encoder_.ImageStride()} * 2;
  if (convert_.IsPlainCopy()) {
    HalveByAveraging(src, layout.lineLength, layout.width, layout.height, state_.colourFormat, dst,
                     dstStride);
    return;
  }
  const uint32_t width = layout.width;
  for (uint32_t i = 0; i < state_.height; ++i) {
    const uint8_t* top = src + size_t{2 * i} * layout.lineLength;
    convert_(top, width, rowPair_.data());
    convert_(top + layout.lineLength, width, rowPair_.data() + width);
    HalveByAveraging(reinterpret_cast<const uint8_t*>(rowPair_.data()), size_t{width} * 2, width, 2,
                     state_.colourFormat, dst + i * dstStride, dstStride);
  }
}

void CLinuxScrCap::Close() {
  display_.Close();
}

}  // namespace mirrodex
