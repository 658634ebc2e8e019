// QuickTime MOV files with one video track in one of the MOV codec types (MovCodecTypes), at
// the codec quality the dialog's quality maps to, frames stamped at their 500 ms capture times.
// Types FFmpeg cannot write fail at Start, naming the codec. Threads and order: MovieWriter.
#pragma once

#include <cstdint>

#include "desktop/media/MovieWriter.h"

namespace mirrodex {

// The MOV writer's texts; MP4 files, of the same family, share them.
extern const MovieWriterTexts kMovWriterTexts;

class MovWriter final : public MovieWriter {
 public:
  // `codecType`: four characters, first letter in the highest byte; `quality`: 5..100.
  MovWriter(std::filesystem::path path, uint32_t codecType, int quality, UserNotifier* notifier);

 private:
  MediaResult Describe(MovieStream& stream) const override;

  uint32_t codecType_;
  int codecQuality_;  // 0..1024
};

}  // namespace mirrodex
