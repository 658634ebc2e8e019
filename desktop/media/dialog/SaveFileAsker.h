// Asks the user where to save a movie or a screenshot. The program's one movie file dialog
// answers; tests answer in its place.
// Threads: the user-interface thread.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "desktop/media/MovieFileChoices.h"
#include "desktop/media/MovieWriterFactory.h"

class QWidget;

namespace mirrodex {

struct SavePick {
  std::string path;   // the file to write
  MovieChoice movie;  // movie mode: the type, profile item, quality and compressor settings
};

class SaveFileAsker {
 public:
  virtual ~SaveFileAsker() = default;
  // Nothing when the user cancelled. `initialName` is the file name the dialog starts with.
  virtual std::optional<SavePick> AskSavePath(QWidget* parent, MovieFileChoices::Mode mode,
                                              const QString& initialName) = 0;
};

}  // namespace mirrodex
