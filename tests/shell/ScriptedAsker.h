// Answers the movie file dialog's question in tests: a set answer (or a cancel), recording how
// it was asked.
#pragma once

#include <optional>

#include "desktop/media/dialog/SaveFileAsker.h"

namespace mirrodex::test {

class ScriptedAsker : public SaveFileAsker {
 public:
  std::optional<SavePick> AskSavePath(QWidget*, MovieFileChoices::Mode mode, const QString& initialName) override {
    ++asked;
    lastMode = mode;
    lastName = initialName;
    return answer;
  }
  static SavePick Movie(const QString& path, MovieType type, uint32_t item) {
    SavePick pick;
    pick.path = path.toStdString();
    pick.movie.type = type;
    pick.movie.item = item;
    return pick;
  }
  static SavePick Image(const QString& path) { return Movie(path, MovieType::kWmv, 0); }

  std::optional<SavePick> answer;
  int asked = 0;
  MovieFileChoices::Mode lastMode = MovieFileChoices::Mode::kMovie;
  QString lastName;
};

}  // namespace mirrodex::test
