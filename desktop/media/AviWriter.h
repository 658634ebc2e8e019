// AVI files with one video stream from one of the AVI compressors (CVID, MP42, XVID, DIVX),
// a key frame every 15 frames, frames on the 500 ms grid of the capture timer.
// Threads and order: MovieWriter.
#pragma once

#include <cstdint>

#include "desktop/media/MovieWriter.h"

namespace mirrodex {

// A compressor's settings as its Configure dialog sets them; 0 leaves the compressor's default.
struct AviCompressorSettings {
  int quality = 0;      // 1 (smallest file) .. 100 (best picture)
  int64_t bitRate = 0;  // bits per second; used instead of the quality when set
};

class AviWriter final : public MovieWriter {
 public:
  static constexpr int kKeyFrameInterval = 15;

  // `handler`: the compressor's four-character code, first letter in the lowest byte.
  AviWriter(std::filesystem::path path, uint32_t handler, AviCompressorSettings settings,
            UserNotifier* notifier);

 private:
  MediaResult Describe(MovieStream& stream) const override;

  uint32_t handler_;
  AviCompressorSettings settings_;
};

}  // namespace mirrodex
