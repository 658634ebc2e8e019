// The "Properties" dialog: creates, edits and removes connection profiles. It edits one
// profile at a time and writes it only on Save; it never changes the current profile
// (setting 1036) or the frame's copies of profile values.
// Threads: the user-interface thread.
// Ownership: the store and the prompter are not owned and must outlive the dialog.
#pragma once

#include <QDialog>

#include "desktop/settings/ConnectionProfile.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace mirrodex {

class CSettingsStore;
class MessagePrompter;

// Object names of the dialog's controls (for tests and style sheets).
namespace profile_control {
inline constexpr const char* kName = "profileName";              // editable list of names
inline constexpr const char* kPlatform = "platform";             // item data: platform code
inline constexpr const char* kConnType = "connectionType";       // index: "ConnType"
inline constexpr const char* kAddress = "deviceAddress";         // "HostIP"
inline constexpr const char* kConnection = "connection";         // item data: "Connection"
inline constexpr const char* kTimeOut = "timeOut";               // text: seconds
inline constexpr const char* kRefreshRate = "refreshRate";       // item data: ms
inline constexpr const char* kInterlace = "removeInterlacing";
inline constexpr const char* kDeviceSpeed = "deviceSpeed";       // item data
inline constexpr const char* kPriority = "priority";             // item data
inline constexpr const char* kCompression = "compression";       // item data
inline constexpr const char* kSave = "save";
inline constexpr const char* kCancel = "cancel";
inline constexpr const char* kHelp = "help";
inline constexpr const char* kRemove = "remove";
}  // namespace profile_control

class ProfileDialog : public QDialog {
  Q_OBJECT

 public:
  // `defaultPlatform` is the program's platform code (setting 1033): the platform of a
  // profile without one and of the first profile. Opening lists the stored profiles; on a
  // machine without any it stores "<Default>" with the default values at once.
  ProfileDialog(CSettingsStore& store, int defaultPlatform, MessagePrompter& prompter,
                QWidget* parent = nullptr);

  // The values the controls show now, as Save would store them.
  ConnectionProfile ShownProfile() const;
  // The name the last successful Save stored.
  QString SavedName() const { return savedName_; }

  // The buttons' actions, also reachable from tests.
  void Save();
  void Remove();

 signals:
  // A profile was stored or removed; the frame refreshes its list of profiles.
  void profilesChanged();

 private:
  void BuildControls();
  void FillNames();
  void LoadAndShow(const QString& name);
  void Show(const ConnectionProfile& profile);
  // Platform rules; `platformChanged` is the user's new choice, which also resets the
  // connection type and sets the device speed the platform wants.
  void ApplyPlatformRules(bool platformChanged);
  void UpdateAddressEnabled();
  void OnNameActivated(int index);
  void ShowHelp();
  QString TypedName() const;

  CSettingsStore& store_;
  MessagePrompter& prompter_;
  int defaultPlatform_;
  QString savedName_;

  QComboBox* name_ = nullptr;
  QComboBox* platform_ = nullptr;
  QComboBox* connType_ = nullptr;
  QLineEdit* address_ = nullptr;
  QComboBox* connection_ = nullptr;
  QComboBox* timeOut_ = nullptr;
  QComboBox* refreshRate_ = nullptr;
  QCheckBox* interlace_ = nullptr;
  QComboBox* deviceSpeed_ = nullptr;
  QComboBox* priority_ = nullptr;
  QComboBox* compression_ = nullptr;
};

}  // namespace mirrodex
