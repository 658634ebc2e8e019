#include "desktop/shell/DeviceSoftwareWords.h"

#include <cstdio>

#include "desktop/resources/StringIds.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/SettingIds.h"
#include "desktop/shell/CRapiLink.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {

namespace {

constexpr int kPlatformOwnPackage = 1;  // installs through its own package, not the bridge

}  // namespace

int RunDeviceSoftwareWord(const QString& word, CSettingsStore& store, MessagePrompter& prompter,
                          const std::string& libraryPath) {
  if (word == QStringLiteral("uninstall")) {
    if (store.GetInt(setting::kSoftwareInstalled) == 0 ||
        store.GetInt(setting::kPlatformCode) == kPlatformOwnPackage)
      return 0;
    CRapiLink rapi(libraryPath);
    if (!rapi.Load()) {
      prompter.Tell(nullptr, LoadText(text::kActiveSyncStartError), PromptIcon::kError);
      return 1;
    }
    if (!rapi.RemoveDeviceSoftware()) {
      std::fputs("mirrodex: the device could not start its removal program\n", stderr);
      return 1;
    }
    return 0;
  }
  if (store.GetInt(setting::kNoInstallOffer) != 0) return 0;
  std::fputs("mirrodex: \"install\": the device software set-up is not available in this build\n", stderr);
  return 1;
}

}  // namespace mirrodex
