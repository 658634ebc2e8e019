// MP4 files with H.264 video from libx264 (which every player and browser opens), frames
// stamped at their real capture times. Threads and order: MovieWriter.
#pragma once

#include "desktop/media/MovieWriter.h"

namespace mirrodex {

class Mp4Writer final : public MovieWriter {
 public:
  static constexpr const char* kEncoder = "libx264";

  // `quality`: 5..100; 75 gives libx264's default rate factor.
  Mp4Writer(std::filesystem::path path, int quality, UserNotifier* notifier);

  // libx264's constant rate factor for a quality.
  static int RateFactor(int quality);

 private:
  MediaResult Describe(MovieStream& stream) const override;

  int quality_;
};

}  // namespace mirrodex
