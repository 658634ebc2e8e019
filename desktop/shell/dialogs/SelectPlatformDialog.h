// The "Select Platform" dialog: offers to install the device software and asks which kind of
// device it is for, with a "Please ask again next time." box that stops the offer.
// Threads: the user-interface thread.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace mirrodex {

class CSettingsStore;

// Object names of the dialog's controls (for tests).
namespace platform_control {
inline constexpr const char* kDeviceType = "deviceType";
inline constexpr const char* kAskAgain = "askAgain";
}  // namespace platform_control

class SelectPlatformDialog : public QDialog {
  Q_OBJECT

 public:
  // `platform` is the program's platform code; it decides the kind of device preselected.
  explicit SelectPlatformDialog(int platform, QWidget* parent = nullptr);

  // The platform code the selected kind of device stands for. A kind that already matches
  // `platform` keeps it, so a precise code is never replaced by a coarser one.
  int ChosenPlatform() const;
  bool AskAgain() const;
  // Stores the answer: on Yes the chosen platform code (setting 1033); on either answer
  // "do not offer again" (setting 1047) when the box was cleared.
  void StoreAnswer(CSettingsStore& store, bool yes) const;

 private:
  int platform_;
  QComboBox* deviceType_;
  QCheckBox* askAgain_;
};

// Shows the dialog; returns the chosen platform code after Yes (the caller then installs), or
// 0 after No. The answer is stored as StoreAnswer says.
int OfferInstallation(QWidget* parent, CSettingsStore& store, int platform);

}  // namespace mirrodex
