// The Configure dialog of one AVI compressor: a quality or a bit rate, or the compressor's own
// default. OK stores the choice for that compressor alone (AviCompressorPrefs).
// Threads: the user-interface thread. The store is not owned and outlives the dialog.
#pragma once

#include <QDialog>
#include <cstdint>

#include "desktop/media/AviWriter.h"

class QRadioButton;
class QSpinBox;

namespace mirrodex {

class CSettingsStore;

class AviConfigureDialog : public QDialog {
 public:
  AviConfigureDialog(CSettingsStore& store, uint32_t handler, QWidget* parent = nullptr);

  // What the controls say now.
  AviCompressorSettings Settings() const;
  void SetSettings(const AviCompressorSettings& settings);

  void accept() override;

 private:
  CSettingsStore& store_;
  uint32_t handler_;
  QRadioButton* byDefault_;
  QRadioButton* byQuality_;
  QRadioButton* byBitRate_;
  QSpinBox* quality_;
  QSpinBox* bitRate_;  // kbit/s
};

}  // namespace mirrodex
