// How the dialogs tell the user something or ask a yes/no question: message boxes titled with
// the program's name, and the reminder dialog with its "Show this message again" box. The
// dialogs take a prompter so that tests can answer in their place.
// Threads: the user-interface thread.
// Ownership: a prompter is not owned by the dialogs that use it and must outlive them.
#pragma once

#include <QString>

class QWidget;

namespace mirrodex {

class CSettingsStore;

enum class PromptIcon { kInformation, kWarning, kError, kQuestion };
// The reminder dialog's two sizes: the small one for a line or two, the large one for a
// paragraph.
enum class ReminderForm { kSmall, kLarge };

class MessagePrompter {
 public:
  virtual ~MessagePrompter() = default;
  // A message with an OK button.
  virtual void Tell(QWidget* parent, const QString& text, PromptIcon icon) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& text, PromptIcon icon) = 0;
  // The reminder dialog for string `messageId` with caption `captionId`; skipped while the
  // user has unchecked "Show this message again" for that message.
  virtual void Remind(QWidget* parent, int messageId, int captionId, ReminderForm form) = 0;
};

// The real prompter: QMessageBox and ReminderDialog; reminder flags live in `store`.
class QtMessagePrompter : public MessagePrompter {
 public:
  explicit QtMessagePrompter(CSettingsStore& store) : store_(store) {}
  void Tell(QWidget* parent, const QString& text, PromptIcon icon) override;
  bool Ask(QWidget* parent, const QString& text, PromptIcon icon) override;
  void Remind(QWidget* parent, int messageId, int captionId, ReminderForm form) override;

 private:
  CSettingsStore& store_;
};

}  // namespace mirrodex
