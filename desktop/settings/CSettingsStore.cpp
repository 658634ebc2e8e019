#include "desktop/settings/CSettingsStore.h"

#include <QFile>
#include <QSettings>
#include <algorithm>

#include "desktop/settings/StoredValue.h"

namespace mirrodex {
namespace {

constexpr const char* kVendor = "Ostvale";
constexpr const char* kProduct = "Mirrodex";
constexpr const char* kStateSection = "State";

bool IsValidSection(const QString& section) {
  if (section.isEmpty()) return false;
  const QStringList parts = section.split(u'/');
  return std::all_of(parts.begin(), parts.end(), CSettingsStore::IsValidName);
}

QString KeyOf(const QString& section, const QString& name) {
  return section + u'/' + name;
}

QString IdName(int id) {
  return QString::number(id);
}

// Writes the pending changes and reports whether the file could be written. A file that
// was partly unreadable keeps its FormatError status after a good write, so only an access
// error counts as failure.
bool Commit(QSettings& settings) {
  settings.sync();
  return settings.status() != QSettings::AccessError;
}

QPoint CorrectedPosition(int x, int y, QSize screen) {
  // A window left on a screen that has since shrunk, or never placed, comes back visible.
  if (x < setting::kMinWindowCoord || x >= screen.width()) x = setting::kFallbackWindowX;
  if (y < setting::kMinWindowCoord || y >= screen.height()) {
    y = screen.height() / 2 - setting::kFallbackWindowYAboveCentre;
  }
  if (y < 0) y = 0;
  return {x, y};
}

}  // namespace

CSettingsStore::CSettingsStore() = default;
CSettingsStore::CSettingsStore(QString iniFilePath) : iniFile_(std::move(iniFilePath)) {}
CSettingsStore::~CSettingsStore() = default;

std::unique_ptr<QSettings> CSettingsStore::Open() const {
  auto settings = iniFile_.isEmpty()
                      ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    kVendor, kProduct)
                      : std::make_unique<QSettings>(iniFile_, QSettings::IniFormat);
  // Only the user's own file counts: a profile must not reappear from a system-wide file
  // after it was deleted.
  settings->setFallbacksEnabled(false);
  return settings;
}

QString CSettingsStore::FileName() const {
  return Open()->fileName();
}

// --- Sections

int CSettingsStore::ReadInt(const QString& section, const QString& name, int defaultValue) const {
  if (!IsValidSection(section) || !IsValidName(name)) return defaultValue;
  return StoredInt(Open()->value(KeyOf(section, name))).value_or(defaultValue);
}

QString CSettingsStore::ReadText(const QString& section, const QString& name,
                                 const QString& defaultValue) const {
  if (!IsValidSection(section) || !IsValidName(name)) return defaultValue;
  return StoredText(Open()->value(KeyOf(section, name)), setting::kMaxTextBytes)
      .value_or(defaultValue);
}

bool CSettingsStore::WriteInt(const QString& section, const QString& name, int value) {
  return WriteValues(section, {{name, QString::number(value)}});
}

bool CSettingsStore::WriteText(const QString& section, const QString& name, const QString& text) {
  return WriteValues(section, {{name, text}});
}

bool CSettingsStore::WriteValues(const QString& section, const NamedValues& values) {
  if (!IsValidSection(section)) return false;
  for (const auto& [name, text] : values) {
    if (!IsValidName(name)) return false;
  }
  const auto settings = Open();
  for (const auto& [name, text] : values) settings->setValue(KeyOf(section, name), text);
  return Commit(*settings);
}

QStringList CSettingsStore::ListSubkeys(const QString& section) const {
  if (!IsValidSection(section)) return {};
  const auto settings = Open();
  settings->beginGroup(section);
  QStringList names = settings->childGroups();
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
  });
  return names;
}

QStringList CSettingsStore::ListValueNames(const QString& section) const {
  if (!IsValidSection(section)) return {};
  const auto settings = Open();
  settings->beginGroup(section);
  return settings->childKeys();
}

bool CSettingsStore::DeleteSubkey(const QString& section, const QString& name) {
  if (!IsValidSection(section) || !IsValidName(name)) return false;
  const auto settings = Open();
  settings->beginGroup(section);
  if (!settings->childGroups().contains(name)) return false;
  settings->remove(name);
  settings->endGroup();
  return Commit(*settings);
}

// --- "State" values

int CSettingsStore::GetInt(int id, int defaultValue) const {
  return ReadInt(kStateSection, IdName(id), defaultValue);
}

bool CSettingsStore::SetInt(int id, int value) {
  return WriteInt(kStateSection, IdName(id), value);
}

QString CSettingsStore::GetText(int id, const QString& defaultValue) const {
  return ReadText(kStateSection, IdName(id), defaultValue);
}

QString CSettingsStore::GetText(TextSetting s) const {
  return GetText(s.id, QString::fromUtf8(s.defaultValue));
}

bool CSettingsStore::SetText(int id, const QString& text) {
  return WriteText(kStateSection, IdName(id), text);
}

// --- Window placement

QPoint CSettingsStore::ReadWindowPosition(QSize screen) const {
  return CorrectedPosition(
      ReadInt(kStateSection, setting::kFramePositionX, setting::kDefaultWindowCoord),
      ReadInt(kStateSection, setting::kFramePositionY, setting::kDefaultWindowCoord), screen);
}

bool CSettingsStore::WriteWindowPosition(QPoint position) {
  return WriteValues(kStateSection, {{setting::kFramePositionX, QString::number(position.x())},
                                     {setting::kFramePositionY, QString::number(position.y())}});
}

WindowPlacement CSettingsStore::ReadWindowPlacement(int windowId, QSize screen) const {
  const QString id = IdName(windowId);
  const QPoint at =
      CorrectedPosition(ReadInt(kStateSection, u'X' + id, setting::kDefaultWindowCoord),
                        ReadInt(kStateSection, u'Y' + id, setting::kDefaultWindowCoord), screen);
  return {at.x(), at.y(), ReadInt(kStateSection, u'W' + id, 0),
          ReadInt(kStateSection, u'H' + id, 0)};
}

bool CSettingsStore::WriteWindowPlacement(int windowId, const WindowPlacement& placement) {
  const QString id = IdName(windowId);
  return WriteValues(kStateSection, {{u'X' + id, QString::number(placement.x)},
                                     {u'Y' + id, QString::number(placement.y)},
                                     {u'W' + id, QString::number(placement.width)},
                                     {u'H' + id, QString::number(placement.height)}});
}

// --- Start-up

bool CSettingsStore::CheckVersion() {
  const QString current = QString::fromUtf8(setting::kCurrentVersion);
  if (GetText(setting::kVersion) == current) return false;
  // One write for all three, so an interrupted start cannot store the version without
  // the flags that announce it.
  (void)WriteValues(kStateSection,
                    {{IdName(setting::kVersionChanged.id), QStringLiteral("1")},
                     {IdName(setting::kVersionChangedNotice.id), QStringLiteral("1")},
                     {IdName(setting::kVersion.id), current}});
  return true;
}

uint16_t CSettingsStore::LoadStartupPlatformCode(const QString& initFilePath) {
  QFile init(initFilePath);
  char first = 0;
  if (init.open(QIODevice::ReadOnly) && init.getChar(&first)) {
    const uint16_t code = static_cast<uint8_t>(first);
    (void)SetInt(setting::kPlatformCode, code);
    return code;
  }
  return static_cast<uint16_t>(GetInt(setting::kPlatformCode));
}

// --- Profiles

bool CSettingsStore::IsValidName(const QString& name) {
  return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

QString CSettingsStore::ProfileSection(const QString& name) {
  if (!IsValidName(name)) return {};
  return QString::fromUtf8(kProfilesSection) + u'/' + name;
}

QStringList CSettingsStore::ListProfiles() const {
  return ListSubkeys(kProfilesSection);
}

QStringList CSettingsStore::ListProfileValues(const QString& name) const {
  return ListValueNames(ProfileSection(name));
}

ConnectionProfile CSettingsStore::ReadProfile(const QString& name, int defaultPlatform) const {
  namespace pv = profile_value;
  ConnectionProfile p;
  p.platform = defaultPlatform;
  const QString section = ProfileSection(name);
  if (section.isEmpty()) return p;
  const auto settings = Open();
  settings->beginGroup(section);
  const auto readInt = [&](const char* value, int& field) {
    field = StoredInt(settings->value(value)).value_or(field);
  };
  readInt(pv::kTimeOut, p.timeOutSeconds);
  readInt(pv::kCompressionType, p.compressionType);
  readInt(pv::kRefreshRate, p.refreshRate);
  readInt(pv::kConnection, p.connection);
  readInt(pv::kPriority, p.priority);
  readInt(pv::kPlatform, p.platform);
  int interlace = p.interlace ? 1 : 0;
  readInt(pv::kInterlace, interlace);
  p.interlace = interlace != 0;
  readInt(pv::kDeviceSpeed, p.deviceSpeed);
  readInt(pv::kConnType, p.connType);
  p.hostIp = StoredText(settings->value(pv::kHostIp), setting::kMaxTextBytes).value_or(p.hostIp);
  return p;
}

bool CSettingsStore::WriteProfile(const QString& name, const ConnectionProfile& p) {
  namespace pv = profile_value;
  const auto number = [](int v) { return QString::number(v); };
  return WriteValues(ProfileSection(name), {{pv::kTimeOut, number(p.timeOutSeconds)},
                                            {pv::kCompressionType, number(p.compressionType)},
                                            {pv::kRefreshRate, number(p.refreshRate)},
                                            {pv::kConnection, number(p.connection)},
                                            {pv::kPriority, number(p.priority)},
                                            {pv::kPlatform, number(p.platform)},
                                            {pv::kInterlace, number(p.interlace ? 1 : 0)},
                                            {pv::kDeviceSpeed, number(p.deviceSpeed)},
                                            {pv::kConnType, number(p.connType)},
                                            {pv::kHostIp, p.hostIp}});
}

bool CSettingsStore::DeleteProfile(const QString& name) {
  return DeleteSubkey(kProfilesSection, name);
}

}  // namespace mirrodex
