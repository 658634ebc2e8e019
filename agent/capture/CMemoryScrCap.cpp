#include "agent/capture/CMemoryScrCap.h"

namespace mirrodex {

CMemoryScrCap::CMemoryScrCap(uint32_t width, uint32_t height, uint16_t colourFormat)
    : width_(width), height_(height), format_(colourFormat), pixels_(static_cast<size_t>(width) * height) {}

bool CMemoryScrCap::Initialise() {
  CaptureState state;
  state.width = width_;
  state.height = height_;
  state.colourFormat = format_;
  state.xPitch = 2;
  state.yPitch = static_cast<int32_t>(width_ * 2);
  return SetUpEncoder(state);
}

bool CMemoryScrCap::Capture() {
  std::lock_guard lock(mutex_);
  encoder_.LoadImage(pixels_.data(), width_ * sizeof(uint16_t));
  return true;
}

void CMemoryScrCap::SetPixels(const std::vector<uint16_t>& pixels) {
  std::lock_guard lock(mutex_);
  if (pixels.size() == pixels_.size()) pixels_ = pixels;
}

void CMemoryScrCap::SetPixel(uint32_t x, uint32_t y, uint16_t value) {
  std::lock_guard lock(mutex_);
  if (x < width_ && y < height_) pixels_[static_cast<size_t>(y) * width_ + x] = value;
}

std::vector<uint16_t> CMemoryScrCap::Pixels() const {
  std::lock_guard lock(mutex_);
  return pixels_;
}

}  // namespace mirrodex
