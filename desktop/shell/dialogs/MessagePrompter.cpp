#include "desktop/shell/dialogs/MessagePrompter.h"

#include <QMessageBox>

#include "desktop/resources/StringTable.h"
#include "desktop/shell/dialogs/ReminderDialog.h"

namespace mirrodex {
namespace {

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation: return QMessageBox::Information;
    case PromptIcon::kWarning: return QMessageBox::Warning;
    case PromptIcon::kError: return QMessageBox::Critical;
    case PromptIcon::kQuestion: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void QtMessagePrompter::Tell(QWidget* parent, const QString& text, PromptIcon icon) {
  QMessageBox box(BoxIcon(icon), LoadText(text::kAppTitle), text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtMessagePrompter::Ask(QWidget* parent, const QString& text, PromptIcon icon) {
  QMessageBox box(BoxIcon(icon), LoadText(text::kAppTitle), text, QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtMessagePrompter::Remind(QWidget* parent, int messageId, int captionId, ReminderForm form) {
  ShowReminder(parent, store_, messageId, captionId, form);
}

}  // namespace mirrodex
