// The reminder dialog: one message with a caption, an OK button and a "Show this message
// again" box, in a small or a large form. Used for hints the user may switch off (Hide Frame,
// the profile warnings, installation failures).
// Threads: the user-interface thread.
#pragma once

#include <QDialog>

#include "desktop/shell/dialogs/MessagePrompter.h"

class QCheckBox;
class QLabel;

namespace mirrodex {

class CSettingsStore;

class ReminderDialog : public QDialog {
  Q_OBJECT

 public:
  ReminderDialog(const QString& message, const QString& caption, ReminderForm form, QWidget* parent = nullptr);

  bool ShowAgain() const;
  void SetShowAgain(bool on);
  QString Message() const;

 private:
  QLabel* message_;
  QCheckBox* showAgain_;
};

// Shows string `messageId` captioned by string `captionId` unless the user switched it off.
// With `remember` the box's state is stored as the flag setting whose id is `messageId`
// (default on) and the dialog is skipped while that flag is off. Returns whether it was shown.
bool ShowReminder(QWidget* parent, CSettingsStore& store, int messageId, int captionId,
                  ReminderForm form, bool remember = true);

}  // namespace mirrodex
