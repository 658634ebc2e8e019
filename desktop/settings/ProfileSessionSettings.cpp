#include "desktop/settings/ProfileSessionSettings.h"

#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {
namespace {

uint32_t InRangeOr(int value, int low, int high, int fallback) {
  return static_cast<uint32_t>(value >= low && value <= high ? value : fallback);
}

}  // namespace

SessionSettings SessionSettingsFromProfile(const ConnectionProfile& profile) {
  const ConnectionProfile defaults;
  SessionSettings s;
  s.compressor = profile.connection != 0 ? Compressor::kZlib : Compressor::kBzip2;
  // 31 bits of the first word; a negative period has no meaning.
  s.refreshMs = InRangeOr(profile.refreshRate, 0, 0x7FFFFFFF, defaults.refreshRate);
  s.priority = InRangeOr(profile.priority, 0, 3, defaults.priority);
  // Also the zlib level and bzip2 block size, both 1..9.
  s.compressionLevel = InRangeOr(profile.deviceSpeed, 1, 9, defaults.deviceSpeed);
  s.codingMethod = InRangeOr(profile.compressionType, 0, 3, defaults.compressionType);
  return s;
}

SessionSettings ReadSessionSettings(const CSettingsStore& store, const QString& profileName) {
  // The platform default does not matter here: the record carries no platform.
  return SessionSettingsFromProfile(store.ReadProfile(profileName, 0));
}

}  // namespace mirrodex
