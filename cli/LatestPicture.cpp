#include "cli/LatestPicture.h"

#include <utility>

#include "desktop/session/ScreenDecoder.h"

namespace mirrodex::cli {

void LatestPicture::Store(const ScreenDecoder& decoder) {
  if (!decoder.HasGeometry()) return;
  back_.width = decoder.Width();
  back_.height = decoder.Height();
  back_.pixels.resize(size_t{back_.width} * back_.height);
  decoder.CopyPicture(back_.pixels.data());
  std::lock_guard lock(mutex_);
  std::swap(back_, front_);
  stored_ = true;
}

bool LatestPicture::Take(Picture& into) const {
  std::lock_guard lock(mutex_);
  if (!stored_) return false;
  into = front_;
  return true;
}

bool LatestPicture::HasPicture() const {
  std::lock_guard lock(mutex_);
  return stored_;
}

}  // namespace mirrodex::cli
