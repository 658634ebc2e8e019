// The movie types of the movie file dialog and what follows from each: the filter entries and
// their indices (stored indices keep their meaning: MP4 comes after the original three), the
// extension rule for typed names, which extra controls show, and the profile list's entries.
// Any thread; no widgets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mirrodex {

// The dialog's type index.
enum class MovieType : int { kWmv = 0, kAvi = 1, kMov = 2, kMp4 = 3 };
inline constexpr int kMovieTypeCount = 4;

// "Description (*.ext)|*.ext|...||": entry n of the filter is type index n.
extern const char* const kMovieFilter;

// ".wmv", ".avi", ".mov", ".mp4".
const char* MovieExtension(MovieType type);
// The type a file name's extension names (any case), or nothing.
std::optional<MovieType> MovieTypeOfPath(const std::filesystem::path& path);
// The type at a stored index, or nothing when the index is out of range.
std::optional<MovieType> MovieTypeAt(int index);

// folder + name, with the type's extension appended when the whole path has no '.' (so a folder
// with a dot in its path suppresses the extension).
std::string MoviePath(const std::string& folder, const std::string& name, MovieType type);

// The extra controls a type shows next to the file name.
struct MovieControls {
  bool configure;  // the compressor's settings (AVI)
  bool quality;    // the quality list
};
MovieControls ControlsFor(MovieType type);

// One entry of the profile list: its text and its item value (WMV: profile index; AVI:
// compressor code, first letter lowest; MOV: codec type, first letter highest; MP4: 0).
struct ProfileEntry {
  std::string text;
  uint32_t item;
};
std::vector<ProfileEntry> ProfileEntries(MovieType type);

}  // namespace mirrodex
