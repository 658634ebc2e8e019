#include "desktop/shell/CommandLine.h"

namespace mirrodex {

CommandLine CommandLine::Parse(const QStringList& arguments) {
  CommandLine line;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == u"--help" || a == u"-h") {
      line.action = Action::kHelp;
      return line;
    }
    if (a == u"--version") {
      line.action = Action::kVersion;
      return line;
    }
    if (a == u"--start") {
      line.start = true;
    } else if (a == u"--tcp-host") {
      if (++i >= arguments.size()) {
        line.action = Action::kError;
        line.error = QStringLiteral("--tcp-host needs an address");
        return line;
      }
      line.tcpHost = arguments[i];
    } else if (a == u"--profile" || a.startsWith(u"--profile=")) {
      if (a == u"--profile") {
        if (++i >= arguments.size()) {
          line.action = Action::kError;
          line.error = QStringLiteral("--profile needs a profile name");
          return line;
        }
        line.profile = arguments[i];
      } else {
        line.profile = a.mid(10);
      }
    } else if (a.compare(u"install", Qt::CaseInsensitive) == 0 || a.compare(u"uninstall", Qt::CaseInsensitive) == 0) {
      line.action = Action::kWord;
      line.word = a.toLower();
    } else if (a.startsWith(u'-')) {
      line.action = Action::kError;
      line.error = QStringLiteral("unknown option %1").arg(a);
      return line;
    } else {
      line.action = Action::kWord;  // any other word also ends the program after parsing
      line.word = a;
    }
  }
  if (!line.tcpHost.isEmpty() && line.profile.isEmpty()) {
    line.action = Action::kError;
    line.error = QStringLiteral("--tcp-host needs --profile");
  }
  return line;
}

QString CommandLine::Usage() {
  return QStringLiteral(
      "Usage: mirrodex [--profile NAME [--tcp-host ADDRESS]] [--start]\n"
      "       mirrodex --help | --version\n"
      "\n"
      "Shows a device's screen in a window and lets you work the device from this computer.\n"
      "\n"
      "  --profile NAME  use the connection profile NAME (it must exist)\n"
      "  --start         connect with the profile at once (TCP/IP profiles wake the device)\n"
      "  --tcp-host ADDR with --profile: create the profile for the device at ADDR over TCP/IP\n"
      "                  when it does not exist yet\n"
      "  --help          show this text and exit\n"
      "  --version       show the program's version and exit\n"
      "\n"
      "A second start raises the window that is already open and exits.\n");
}

}  // namespace mirrodex
