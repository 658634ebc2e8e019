#include "desktop/shell/dialogs/ReminderDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {

ReminderDialog::ReminderDialog(const QString& message, const QString& caption, ReminderForm form,
                               QWidget* parent)
    : QDialog(parent), message_(new QLabel(message)), showAgain_(new QCheckBox(tr("Show this message again"))) {
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Warning!") : caption);
  setWindowIcon(LoadIcon(Icon::kApplication));
  const bool large = form == ReminderForm::kLarge;

  auto* icon = new QLabel;
  const int side = large ? 40 : 32;
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side, side));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  message_->setMinimumWidth(large ? 360 : 260);

  auto* body = new QHBoxLayout;
  body->setSpacing(14);
  body->addWidget(icon, 0, Qt::AlignTop);
  body->addWidget(message_, 1);

  showAgain_->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(showAgain_);
  bottom->addStretch(1);
  bottom->addWidget(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 18, 18, 14);
  layout->setSpacing(16);
  layout->addLayout(body, 1);
  layout->addLayout(bottom);
  setMinimumWidth(large ? 460 : 360);
}

bool ReminderDialog::ShowAgain() const { return showAgain_->isChecked(); }

void ReminderDialog::SetShowAgain(bool on) { showAgain_->setChecked(on); }

QString ReminderDialog::Message() const { return message_->text(); }

bool ShowReminder(QWidget* parent, CSettingsStore& store, int messageId, int captionId, ReminderForm form,
                  bool remember) {
  if (remember && !store.GetFlag(messageId)) return false;
  ReminderDialog dialog(LoadText(messageId), LoadText(captionId), form, parent);
  dialog.exec();
  // A flag that cannot be stored only means the hint comes again; nothing else depends on it.
  if (remember) (void)store.SetFlag(messageId, dialog.ShowAgain());
  return true;
}

}  // namespace mirrodex
