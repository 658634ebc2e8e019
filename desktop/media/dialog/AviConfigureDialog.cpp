#include "desktop/media/dialog/AviConfigureDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>

#include "desktop/media/AviCompressorPrefs.h"
#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {

AviConfigureDialog::AviConfigureDialog(CSettingsStore& store, uint32_t handler, QWidget* parent)
    : QDialog(parent), store_(store), handler_(handler) {
  const AviCompressor* compressor = FindAviCompressor(handler);
  setWindowTitle(QString::fromUtf8(compressor ? compressor->description : "Compressor") +
                 QStringLiteral(" Settings"));
  byDefault_ = new QRadioButton(QStringLiteral("The compressor's default"), this);
  byQuality_ = new QRadioButton(QStringLiteral("Quality (1 = smallest file, 100 = best picture):"), this);
  byBitRate_ = new QRadioButton(QStringLiteral("Data rate (kbit/s):"), this);
  auto* group = new QButtonGroup(this);
  for (QRadioButton* b : {byDefault_, byQuality_, byBitRate_}) group->addButton(b);
  quality_ = new QSpinBox(this);
  quality_->setObjectName(QStringLiteral("Quality"));
  quality_->setRange(1, 100);
  quality_->setValue(75);
  bitRate_ = new QSpinBox(this);
  bitRate_->setObjectName(QStringLiteral("BitRate"));
  bitRate_->setRange(kAviMinBitRateKbps, kAviMaxBitRateKbps);
  bitRate_->setSingleStep(100);
  bitRate_->setValue(1000);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(byDefault_, 0, 0, 1, 2);
  grid->addWidget(byQuality_, 1, 0);
  grid->addWidget(quality_, 1, 1);
  grid->addWidget(byBitRate_, 2, 0);
  grid->addWidget(bitRate_, 2, 1);
  grid->addWidget(buttons, 3, 0, 1, 2);
  auto follow = [this] {
    quality_->setEnabled(byQuality_->isChecked());
    bitRate_->setEnabled(byBitRate_->isChecked());
  };
  for (QRadioButton* b : {byDefault_, byQuality_, byBitRate_}) connect(b, &QRadioButton::toggled, this, follow);
  SetSettings(LoadAviCompressorSettings(store_, handler_));
  follow();
}

AviCompressorSettings AviConfigureDialog::Settings() const {
  AviCompressorSettings settings;
  if (byQuality_->isChecked()) settings.quality = quality_->value();
  if (byBitRate_->isChecked()) settings.bitRate = int64_t{bitRate_->value()} * 1000;
  return settings;
}

void AviConfigureDialog::SetSettings(const AviCompressorSettings& settings) {
  if (settings.bitRate > 0) {
    bitRate_->setValue(static_cast<int>(settings.bitRate / 1000));
    byBitRate_->setChecked(true);
  } else if (settings.quality > 0) {
    quality_->setValue(settings.quality);
    byQuality_->setChecked(true);
  } else {
    byDefault_->setChecked(true);
  }
}

void AviConfigureDialog::accept() {
  if (!SaveAviCompressorSettings(store_, handler_, Settings())) {
    QMessageBox::warning(this, LoadText(text::kAppTitle),
                         QStringLiteral("The compressor's settings could not be stored; they apply "
                                        "to this recording only."));
  }
  QDialog::accept();
}

}  // namespace mirrodex
