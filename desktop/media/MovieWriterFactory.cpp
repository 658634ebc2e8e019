#include "desktop/media/MovieWriterFactory.h"

#include "desktop/media/MovWriter.h"
#include "desktop/media/Mp4Writer.h"
#include "desktop/media/WmvWriter.h"

namespace mirrodex {

std::unique_ptr<MovieWriter> CreateMovieWriter(const MovieChoice& choice,
                                               const std::filesystem::path& path,
                                               UserNotifier* notifier) {
  switch (choice.type) {
    case MovieType::kWmv:
      return std::make_unique<WmvWriter>(path, choice.item, notifier);
    case MovieType::kAvi:
      return std::make_unique<AviWriter>(path, choice.item, choice.compressor, notifier);
    case MovieType::kMov:
      return std::make_unique<MovWriter>(path, choice.item, choice.quality, notifier);
    case MovieType::kMp4:
      return std::make_unique<Mp4Writer>(path, choice.quality, notifier);
  }
  return nullptr;
}

}  // namespace mirrodex
