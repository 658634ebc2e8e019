#include "desktop/shell/dialogs/SelectPlatformDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/resources/Icons.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/PlatformCodes.h"

namespace mirrodex {
namespace {

enum DeviceKind { kPocketPc = 0, kSmartphone = 1, kSymbian = 2 };

// The kinds follow the platform list of the profiles: the two Smartphone codes are
// smartphones, Symbian UIQ is its own kind, every other code is a Pocket PC style device.
DeviceKind KindOf(int platform) {
  if (platform == kPlatformSymbianUiq) return kSymbian;
  if (platform == kPlatformSmartphone2002 || platform == kPlatformSmartphone2003) return kSmartphone;
  return kPocketPc;
}

bool IsKnownPlatform(int platform) { return platform >= kFirstPlatformCode && platform <= kLastPlatformCode; }

}  // namespace

SelectPlatformDialog::SelectPlatformDialog(int platform, QWidget* parent)
    : QDialog(parent), platform_(platform), deviceType_(new QComboBox), askAgain_(new QCheckBox) {
  setWindowTitle(tr("Select Platform"));
  setWindowIcon(LoadIcon(Icon::kApplication));

  auto* text = new QLabel(
      tr("You need to install the device side application. If you want you can do that now just make sure "
         "that your device is connected and synchronised. Install the device software now?"));
  text->setWordWrap(true);
  deviceType_->setObjectName(QLatin1String(platform_control::kDeviceType));
  deviceType_->addItems({tr("Windows Mobile/PocketPC"), tr("Windows Mobile/Smartphone"), tr("Symbian UIQ")});
  deviceType_->setCurrentIndex(KindOf(platform));
  askAgain_->setObjectName(QLatin1String(platform_control::kAskAgain));
  askAgain_->setText(tr("Please ask again next time."));
  askAgain_->setChecked(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No);
  buttons->button(QDialogButtonBox::Yes)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 18, 18, 14);
  layout->setSpacing(10);
  layout->addWidget(text);
  layout->addSpacing(4);
  layout->addWidget(new QLabel(tr("Confirm Device Type:")));
  layout->addWidget(deviceType_);
  layout->addWidget(askAgain_);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

int SelectPlatformDialog::ChosenPlatform() const {
  const auto kind = static_cast<DeviceKind>(deviceType_->currentIndex());
  if (kind == KindOf(platform_) && IsKnownPlatform(platform_)) return platform_;
  switch (kind) {
    case kSymbian: return kPlatformSymbianUiq;
    case kSmartphone: return kPlatformSmartphone2003;
    case kPocketPc: break;
  }
  return kPlatformWindowsMobilePhone5;
}

bool SelectPlatformDialog::AskAgain() const { return askAgain_->isChecked(); }

void SelectPlatformDialog::StoreAnswer(CSettingsStore& store, bool yes) const {
  // Settings that cannot be written only mean the offer comes again at the next start.
  if (!AskAgain()) (void)store.SetFlag(setting::kNoInstallOffer, true);
  if (yes) (void)store.SetInt(setting::kPlatformCode, ChosenPlatform());
}

int OfferInstallation(QWidget* parent, CSettingsStore& store, int platform) {
  SelectPlatformDialog dialog(platform, parent);
  const bool yes = dialog.exec() == QDialog::Accepted;
  dialog.StoreAnswer(store, yes);
  return yes ? dialog.ChosenPlatform() : 0;
}

}  // namespace mirrodex
