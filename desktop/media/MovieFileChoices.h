// The movie file dialog's state and rules without its widgets, in movie mode (videos) and
// image mode (screenshots): one object for the program's run, so the choices survive from one
// opening to the next. The Save dialog (a non-native file dialog with the extra controls)
// shows what this says and reports the user's picks to it; OK hands over the folder and the
// typed name and gets the path to write.
// Threads: the user-interface thread. Holds a reference to the settings store, which outlives it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "desktop/media/MovieTypes.h"

namespace mirrodex {

class CSettingsStore;

class MovieFileChoices {
 public:
  enum class Mode { kMovie, kImage };
  static constexpr const char* kTitle = "Save File As ...";
  // Image mode's filter: entry 0 JPEG, entry 1 BMP. (Movie mode's is kMovieFilter.)
  static constexpr const char* kImageFilter =
      "JPEG Files (*.jpg;*.jpeg)|*.jpg; *.jpeg|BMP Files (*.bmp)|*.bmp||";
  static constexpr int kJpegType = 0;
  static constexpr int kBmpType = 1;

  explicit MovieFileChoices(CSettingsStore& settings) : settings_(settings) {}

  // Opening the dialog: the quality from setting 1022, the check box cleared; image mode
  // starts at the type of the last screenshot (setting 1018), movie mode at the last type.
  void Open(Mode mode);
  // The user picked another filter entry (0-based type index).
  void ChangeType(int typeIndex);
  void SelectProfile(int index);  // index into Profiles()
  void SelectQuality(int index);  // index into the quality list "5", "10", ... "100"
  void SetAutoNames(bool on) { autoNames_ = on; }

  // Which extra controls show, and whether the quality list takes input.
  struct Controls {
    bool profile, configure, quality, qualityEnabled, autoNames;
  };
  Controls Shown() const;
  const std::vector<ProfileEntry>& Profiles() const { return profiles_; }
  int ProfileIndex() const { return profileIndex_; }
  int QualityIndex() const { return quality_ / 5 - 1; }

  // OK with the dialog's current folder and the typed name: stores the choices (image mode
  // also in settings 1012, 1018, 1019 and 1022) and returns the path to write. `now` names
  // automatic screenshots.
  std::string Accept(const std::string& folder, const std::string& typedName, std::time_t now);

  Mode GetMode() const { return mode_; }
  int TypeIndex() const { return typeIndex_; }
  MovieType Type() const { return static_cast<MovieType>(typeIndex_); }  // movie mode
  uint32_t Item() const { return item_; }
  int Quality() const { return quality_; }
  bool AutoNames() const { return autoNames_; }
  const std::string& Folder() const { return folder_; }

 private:
  CSettingsStore& settings_;
  Mode mode_ = Mode::kMovie;
  int typeIndex_ = 0;  // movie mode's survives; image mode's comes from setting 1018
  int movieType_ = 0;  // the movie type chosen last
  std::vector<ProfileEntry> profiles_;
  int profileIndex_ = -1;
  uint32_t item_ = 0;
  int quality_ = 75;
  bool autoNames_ = false;
  std::string folder_;
};

}  // namespace mirrodex
