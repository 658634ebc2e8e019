// A MessagePrompter for dialog tests: records every message, question and reminder, and
// answers questions from a script (No when the script has run out).
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex::test {

class ScriptedPrompter : public MessagePrompter {
 public:
  void Tell(QWidget*, const QString& text, PromptIcon) override { told << text; }
  bool Ask(QWidget*, const QString& text, PromptIcon icon) override {
    asked << text;
    askedIcons.push_back(icon);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Remind(QWidget*, int messageId, int captionId, ReminderForm) override {
    reminded.push_back({messageId, captionId});
  }

  void Clear() {
    told.clear();
    asked.clear();
    askedIcons.clear();
    reminded.clear();
  }

  std::deque<bool> answers;
  QStringList told;
  QStringList asked;
  std::vector<PromptIcon> askedIcons;
  std::vector<std::pair<int, int>> reminded;
};

}  // namespace mirrodex::test
