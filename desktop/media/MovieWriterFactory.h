// Creates the writer for a movie type with the dialog's choices. Any thread.
#pragma once

#include <filesystem>
#include <memory>

#include "desktop/media/AviWriter.h"
#include "desktop/media/MovieTypes.h"
#include "desktop/media/MovieWriter.h"

namespace mirrodex {

struct MovieChoice {
  MovieType type = MovieType::kWmv;
  uint32_t item = 0;                 // the profile list's item value for the type (MovieTypes.h)
  int quality = 75;                  // 5..100
  AviCompressorSettings compressor;  // AVI: the chosen compressor's settings
};

std::unique_ptr<MovieWriter> CreateMovieWriter(const MovieChoice& choice,
                                               const std::filesystem::path& path,
                                               UserNotifier* notifier);

}  // namespace mirrodex
