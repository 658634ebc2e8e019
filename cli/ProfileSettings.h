// Picks the connection profile whose settings the screen session sends, from the desktop
// program's settings store. Main thread.
#pragma once

#include <optional>
#include <string>

#include "desktop/session/SessionConfig.h"

namespace mirrodex::cli {

// `name` given: that profile, which must exist. Otherwise the store's current profile, or the
// defaults when there is none. Sets config.profile and config.readSettings, and for a named
// TCP/IP profile config.deviceHost; false with `error` set for an unknown profile.
bool ConfigureProfile(const std::optional<std::string>& name, SessionConfig& config,
                      std::string& error);

}  // namespace mirrodex::cli
