#include "desktop/media/MovieFileChoices.h"

#include <algorithm>

#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {
namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// A stored quality outside 5..100 or off the list's steps reads as the nearest entry.
int ListQuality(int quality) {
  return std::clamp(quality / 5 * 5, 5, 100);
}

}  // namespace

void MovieFileChoices::Open(Mode mode) {
  mode_ = mode;
  quality_ = ListQuality(settings_.GetInt(setting::kJpegQuality));
  autoNames_ = false;
  if (mode == Mode::kImage) {
    const QString extension = settings_.GetText(setting::kScreenshotExtension);
    ChangeType(extension.compare(".bmp", Qt::CaseInsensitive) == 0 ? kBmpType : kJpegType);
  } else {
    ChangeType(movieType_);
  }
}

void MovieFileChoices::ChangeType(int typeIndex) {
  const int count = mode_ == Mode::kImage ? 2 : kMovieTypeCount;
  typeIndex_ = std::clamp(typeIndex, 0, count - 1);
  profiles_.clear();
  profileIndex_ = -1;
  item_ = 0;
  if (mode_ == Mode::kImage) return;
  movieType_ = typeIndex_;
  profiles_ = ProfileEntries(Type());
  SelectProfile(0);
}

void MovieFileChoices::SelectProfile(int index) {
  if (index < 0 || index >= static_cast<int>(profiles_.size())) return;
  profileIndex_ = index;
  item_ = profiles_[static_cast<size_t>(index)].item;
}

void MovieFileChoices::SelectQuality(int index) {
  quality_ = ListQuality((index + 1) * 5);
}

MovieFileChoices::Controls MovieFileChoices::Shown() const {
  if (mode_ == Mode::kImage) return {false, false, true, typeIndex_ == kJpegType, true};
  const MovieControls movie = ControlsFor(Type());
  return {true, movie.configure, movie.quality, movie.quality, false};
}

std::string MovieFileChoices::Accept(const std::string& folder, const std::string& typedName,
                                     std::time_t now) {
  folder_ = WithSeparator(folder);
  if (mode_ == Mode::kMovie) {
    item_ = profileIndex_ >= 0 ? profiles_[static_cast<size_t>(profileIndex_)].item : 0;
    return MoviePath(folder_, typedName, Type());
  }
  const std::string extension = typeIndex_ == kJpegType ? ".jpg" : ".bmp";
  std::string name;
  if (autoNames_) {
    char stamp[32] = {};
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%m%d%H%M%S", &local);
    name = stamp;
  } else {
    name = typedName.substr(0, typedName.rfind('.'));
  }
  // Settings that cannot be written lose only the remembered choice, not the screenshot.
  (void)settings_.SetFlag(setting::kAutoNameScreenshots, autoNames_);
  (void)settings_.SetText(setting::kScreenshotExtension, QString::fromStdString(extension));
  (void)settings_.SetText(setting::kScreenshotFolder, QString::fromStdString(folder_));
  if (extension == ".jpg") (void)settings_.SetInt(setting::kJpegQuality, quality_);
  return folder_ + name + extension;
}

}  // namespace mirrodex
