#include "cli/ProfileSettings.h"

#include <memory>

#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/ProfileSessionSettings.h"

namespace mirrodex::cli {

bool ConfigureProfile(const std::optional<std::string>& name, SessionConfig& config,
                      std::string& error) {
  auto store = std::make_shared<CSettingsStore>();
  const QStringList profiles = store->ListProfiles();
  QString chosen;
  if (name) {
    chosen = QString::fromStdString(*name);
    if (!store->ProfileExists(chosen)) {
      error = "no connection profile named \"" + *name + "\": pick one of \"" +
              profiles.join("\", \"").toStdString() + "\" (file " + store->FileName().toStdString() + ")";
      return false;
    }
  } else {
    const int index = store->GetInt(setting::kCurrentProfile);
    chosen = index >= 0 && index < profiles.size() ? profiles[index] : QString(kDefaultProfileName);
  }
  config.profile = chosen.toStdString();
  // Only a profile the user named says where this device is; the stored current one may be
  // another device's.
  if (name) {
    const ConnectionProfile profile = store->ReadProfile(chosen, 0);
    if (profile.connType == kConnTypeTcpIp) config.deviceHost = profile.hostIp.trimmed().toStdString();
  }
  // The session thread reads the profile during each opening; the store allows any thread.
  config.readSettings = [store](const std::string& profile) {
    return ReadSessionSettings(*store, QString::fromStdString(profile));
  };
  return true;
}

}  // namespace mirrodex::cli
