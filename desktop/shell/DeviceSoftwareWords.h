// The command-line words of the device software set-up, handled without opening a window:
// "uninstall" runs the device's unload.exe through the bridge when the software is installed
// (and the device type is not one that installs its own package); "install" does nothing once
// the user asked not to be offered the installation again.
// Thread: the main thread, with the application object created (a message box may show).
#pragma once

#include <QString>
#include <string>

namespace mirrodex {

class CSettingsStore;
class MessagePrompter;

// The program's exit status. `libraryPath` as CRapiLink's.
int RunDeviceSoftwareWord(const QString& word, CSettingsStore& store, MessagePrompter& prompter,
                          const std::string& libraryPath = {});

}  // namespace mirrodex
