#include "desktop/media/Mp4Writer.h"

#include <algorithm>

#include "desktop/media/MovWriter.h"

namespace mirrodex {
Mp4Writer::Mp4Writer(std::filesystem::path path, int quality, UserNotifier* notifier)
    : MovieWriter(std::move(path), notifier, kMovWriterTexts), quality_(quality) {}

int Mp4Writer::RateFactor(int quality) {
  return std::clamp(23 + (75 - quality) / 5, 0, 51);
}

MediaResult Mp4Writer::Describe(MovieStream& stream) const {
  if (!MovieFile::HasEncoder(kEncoder))
    return MediaResult::Failure(
        "The codec \"H.264\" (libx264) cannot be written on this system: FFmpeg was built "
        "without libx264. Choose another video format.");
  stream.container = "mp4";
  stream.encoder = kEncoder;
  stream.timeUnitMs = 1;  // real times: MP4 keeps any spacing
  stream.crf = RateFactor(quality_);
  return MediaResult::Success();
}

}  // namespace mirrodex
