#include "desktop/app/FrameStore.h"

#include <utility>

#include "desktop/session/ScreenDecoder.h"

namespace mirrodex::app {

bool FrameStore::Publish(const ScreenDecoder& decoder) {
  if (!decoder.HasGeometry()) return false;
  const DeviceInfo& info = decoder.Info();
  back_.width = decoder.Width();
  back_.height = decoder.Height();
  back_.pixels.resize(size_t{back_.width} * back_.height);
  decoder.CopyPicture(back_.pixels.data());
  back_.reoriented = info.landscape != 0 || info.xPitch < 0 || info.yPitch < 0;
  back_.xPitch = info.xPitch;
  back_.yPitch = info.yPitch;
  return Swap();
}

bool FrameStore::Publish(Frame frame) {
  back_ = std::move(frame);
  return Swap();
}

bool FrameStore::Swap() {
  back_.sequence = ++sequence_;
  back_.completedAt = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(mutex_);
    std::swap(back_, front_);
  }
  return !noticePending_.exchange(true);
}

bool FrameStore::Read(const std::function<void(const Frame&)>& reader) {
  noticePending_ = false;
  std::lock_guard lock(mutex_);
  if (front_.sequence == 0) return false;
  reader(front_);
  return true;
}

uint64_t FrameStore::Sequence() const {
  std::lock_guard lock(mutex_);
  return front_.sequence;
}

}  // namespace mirrodex::app
