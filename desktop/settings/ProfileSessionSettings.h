// The settings record the desktop sends to the agent, built from a connection profile.
// Any thread; reads the profile once.
#pragma once

#include <QString>

#include "desktop/settings/ConnectionProfile.h"
#include "protocol/SessionSettings.h"

namespace mirrodex {

class CSettingsStore;

// Maps "Connection", "RefreshRate", "Priority", "DeviceSpeed" and "CompressionType" onto
// the record. The record places each value into its bit field unmasked, so a value outside
// its field's range (a hand-edited file) is replaced by that value's default instead of
// spilling into the neighbouring field.
SessionSettings SessionSettingsFromProfile(const ConnectionProfile& profile);

// The same for the stored profile `profileName`; missing values take the profile defaults.
SessionSettings ReadSessionSettings(const CSettingsStore& store, const QString& profileName);

}  // namespace mirrodex
