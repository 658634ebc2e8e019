// CSettingsStore: the desktop program's persistent state. Program settings are values named
// by decimal id in the section "State"; connection profiles are sections "Profiles/<name>".
// Every integer is stored as decimal text.
//
// Threads: any thread may call any function, also at the same time as others. The store
// keeps only its file location; every call opens the settings, reads or writes, and closes
// them again, so a value written by one thread is seen by the next read on any other.
// Ownership: the application creates one store for the process and hands references out.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "desktop/settings/ConnectionProfile.h"
#include "desktop/settings/SettingIds.h"

class QSettings;

namespace mirrodex {

struct WindowPlacement {
  int x = setting::kDefaultWindowCoord;
  int y = setting::kDefaultWindowCoord;
  int width = 0;
  int height = 0;

  bool operator==(const WindowPlacement&) const = default;
};

class CSettingsStore {
 public:
  // The user's settings: QSettings("Ostvale", "Mirrodex"), on Linux
  // $XDG_CONFIG_HOME/Ostvale/Mirrodex.conf (default ~/.config).
  CSettingsStore();
  // A private INI file instead (tests, a command-line option). Missing folders and the file
  // itself are created by the first write.
  explicit CSettingsStore(QString iniFilePath);
  ~CSettingsStore();

  CSettingsStore(const CSettingsStore&) = delete;
  CSettingsStore& operator=(const CSettingsStore&) = delete;

  // The file the settings live in, for messages and diagnostics.
  QString FileName() const;

  // --- "State" values by id. Reads give the default when the value is missing or too
  // long; integer text that is not a number reads as 0. Writes return false when the
  // settings file cannot be written.
  int GetInt(int id, int defaultValue) const;
  int GetInt(IntSetting s) const { return GetInt(s.id, s.defaultValue); }
  [[nodiscard]] bool SetInt(int id, int value);
  [[nodiscard]] bool SetInt(IntSetting s, int value) { return SetInt(s.id, value); }

  QString GetText(int id, const QString& defaultValue) const;
  QString GetText(TextSetting s) const;
  [[nodiscard]] bool SetText(int id, const QString& text);
  [[nodiscard]] bool SetText(TextSetting s, const QString& text) { return SetText(s.id, text); }

  // A flag is an integer read as "non-zero"; by id it defaults to on (reminder flags).
  bool GetFlag(int id) const { return GetInt(id, setting::kReminderFlagDefault) != 0; }
  bool GetFlag(IntSetting s) const { return GetInt(s) != 0; }
  [[nodiscard]] bool SetFlag(int id, bool on) { return SetInt(id, on ? 1 : 0); }
  [[nodiscard]] bool SetFlag(IntSetting s, bool on) { return SetFlag(s.id, on); }

  // --- Window placement. `screen` is the size of the screen the window goes on. A stored
  // x below -25 or past the screen's width reads as 100; a y below -25 or past its height
  // reads as half the screen height minus 170; a negative y then reads as 0. The defaults
  // (-26) take the same corrections. Width and height are returned as stored (default 0).
  QPoint ReadWindowPosition(QSize screen) const;  // the main frame: "positionX", "positionY"
  [[nodiscard]] bool WriteWindowPosition(QPoint position);
  WindowPlacement ReadWindowPlacement(int windowId, QSize screen) const;  // "X%d" "Y%d" "W%d" "H%d"
  [[nodiscard]] bool WriteWindowPlacement(int windowId, const WindowPlacement& placement);

  // --- Start-up.
  // When the stored program version is not the current one, raises the two "version
  // changed" flags and stores the current version. Returns whether it did.
  bool CheckVersion();
  // The platform code to start with: the first byte of `initFilePath` when that file has
  // one (it is then stored as setting 1033), otherwise setting 1033.
  uint16_t LoadStartupPlatformCode(const QString& initFilePath);

  // --- Sections. `section` is a '/'-separated path below the root ("State",
  // "Profiles/<name>"); value and subkey names contain no '/' or '\'. Reads of an invalid
  // path give the default or nothing; writes to it fail.
  int ReadInt(const QString& section, const QString& name, int defaultValue) const;
  QString ReadText(const QString& section, const QString& name, const QString& defaultValue) const;
  [[nodiscard]] bool WriteInt(const QString& section, const QString& name, int value);
  [[nodiscard]] bool WriteText(const QString& section, const QString& name, const QString& text);
  // Subkey names in a stable order: case-insensitive, ties broken by the exact text.
  QStringList ListSubkeys(const QString& section) const;
  QStringList ListValueNames(const QString& section) const;
  // Deletes the subkey `name` of `section` with everything below it. False when it does not
  // exist or the file cannot be written.
  [[nodiscard]] bool DeleteSubkey(const QString& section, const QString& name);

  // --- Connection profiles. The list order is ListSubkeys' order, so a position stored in
  // setting 1036 finds the same profile again as long as the set of names is unchanged.
  static bool IsValidName(const QString& name);        // non-empty, no '/' or '\'
  static QString ProfileSection(const QString& name);  // empty for an invalid name
  QStringList ListProfiles() const;
  QStringList ListProfileValues(const QString& name) const;
  // A profile exists when it has at least one value.
  bool ProfileExists(const QString& name) const { return !ListProfileValues(name).isEmpty(); }
  // Missing values read as the defaults of ConnectionProfile; "Platform" defaults to
  // `defaultPlatform` (the process's current platform code).
  ConnectionProfile ReadProfile(const QString& name, int defaultPlatform) const;
  // Writes all ten values in one go: either all are stored or (on failure) none.
  [[nodiscard]] bool WriteProfile(const QString& name, const ConnectionProfile& profile);
  [[nodiscard]] bool DeleteProfile(const QString& name);

 private:
  using NamedValues = std::vector<std::pair<QString, QString>>;

  std::unique_ptr<QSettings> Open() const;
  // Stores every value under `section` in one session; false on an invalid path or a file
  // that cannot be written.
  [[nodiscard]] bool WriteValues(const QString& section, const NamedValues& values);

  QString iniFile_;  // empty: the user's settings
};

}  // namespace mirrodex
