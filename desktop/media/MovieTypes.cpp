#include "desktop/media/MovieTypes.h"

#include <algorithm>
#include <cctype>

#include "desktop/media/AviCompressors.h"
#include "desktop/media/MovCodecTypes.h"
#include "desktop/media/MovieFile.h"
#include "desktop/media/Mp4Writer.h"
#include "desktop/media/WmvProfiles.h"

namespace mirrodex {

const char* const kMovieFilter =
    "WMV Files (*.wmv)|*.wmv; *.wmv|AVI Files (*.avi)|*.avi|QuickTime Files (*.mov)|*.mov|"
    "MP4 Files (*.mp4)|*.mp4||";

namespace {

constexpr const char* kExtensions[kMovieTypeCount] = {".wmv", ".avi", ".mov", ".mp4"};

}  // namespace

const char* MovieExtension(MovieType type) {
  return kExtensions[static_cast<int>(type)];
}

std::optional<MovieType> MovieTypeAt(int index) {
  if (index < 0 || index >= kMovieTypeCount) return std::nullopt;
  return static_cast<MovieType>(index);
}

std::optional<MovieType> MovieTypeOfPath(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (int i = 0; i < kMovieTypeCount; ++i) {
    if (ext == kExtensions[i]) return static_cast<MovieType>(i);
  }
  return std::nullopt;
}

std::string MoviePath(const std::string& folder, const std::string& name, MovieType type) {
  std::string path = folder + name;
  if (path.find('.') == std::string::npos) path += MovieExtension(type);
  return path;
}

MovieControls ControlsFor(MovieType type) {
  return {type == MovieType::kAvi, type == MovieType::kMov || type == MovieType::kMp4};
}

std::vector<ProfileEntry> ProfileEntries(MovieType type) {
  std::vector<ProfileEntry> entries;
  switch (type) {
    case MovieType::kWmv:
      for (uint32_t i = 0; i < WmvProfiles().size(); ++i) {
        if (MovieFile::HasEncoder(WmvProfiles()[i].encoder))
          entries.push_back({WmvProfiles()[i].name, i});
      }
      break;
    case MovieType::kAvi:
      for (const AviCompressor& c : InstalledAviCompressors())
        entries.push_back({c.description, c.handler});
      break;
    case MovieType::kMov:
      for (const MovCodecType& t : MovCodecTypes()) entries.push_back({t.text, t.type});
      break;
    case MovieType::kMp4:
      if (MovieFile::HasEncoder(Mp4Writer::kEncoder)) entries.push_back({"H.264", 0});
      break;
  }
  return entries;
}

}  // namespace mirrodex
