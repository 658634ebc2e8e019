// The desktop program's command line: the options of today's launchers and scripts
// (--profile NAME, --start, --help, --version) beside the words "install" and "uninstall" of
// the device software set-up, which end the program after they are handled.
// Threads: the main thread, before the application object exists.
#pragma once

#include <QString>
#include <QStringList>

namespace mirrodex {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kWord, kError };
  Action action = Action::kRun;
  QString profile;  // empty: the stored current profile
  bool start = false;
  QString tcpHost;  // with a profile: create it as a TCP/IP profile for this host when missing
  QString word;     // "install" or "uninstall"
  QString error;    // for kError

  static CommandLine Parse(const QStringList& arguments);  // arguments[0] is the program
  static QString Usage();
};

}  // namespace mirrodex
