#include "desktop/resources/ProgramInfo.h"

namespace mirrodex {

QString ProgramVersion() { return QStringLiteral(MIRRODEX_VERSION); }

QString ProgramSummary() {
  return QStringLiteral(
      "Shows the live screen of a device on the desktop and lets you work it with the mouse and "
      "keyboard; takes screenshots and videos, copies clipboard text and files, and lists the "
      "device's applications.");
}

}  // namespace mirrodex
