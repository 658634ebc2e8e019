#include "desktop/files/explorer/FileIcons.h"

#include <QApplication>
#include <QDir>
#include <QStyle>

#include "desktop/files/explorer/ExplorerIcons.h"

namespace mirrodex {
namespace {

// Desktops without an icon theme of their own (a bare X server) still get typed icons when a
// common theme is installed.
void EnsureFallbackTheme() {
  if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == "hicolor") {
    for (const QString& base : QIcon::themeSearchPaths()) {
      if (QDir(base + "/Adwaita").exists()) {
        QIcon::setFallbackThemeName("Adwaita");
        return;
      }
    }
  }
}

QIcon Themed(const QString& name, QStyle::StandardPixmap standard) {
  return QIcon::fromTheme(name, QApplication::style()->standardIcon(standard));
}

}  // namespace

FileIcons::FileIcons() {
  EnsureFallbackTheme();
  folder_ = Themed("folder", QStyle::SP_DirIcon);
  localRoot_ = Themed("drive-harddisk", QStyle::SP_DriveHDIcon);
  deviceRoot_ = ExplorerIcon(ExplorerIconKind::kDeviceRoot);
  home_ = QIcon::fromTheme("user-home", folder_);
  unknownFile_ = Themed("text-x-generic", QStyle::SP_FileIcon);
}

QIcon FileIcons::ForLocalRoot(const QString& path) const {
  if (path == QDir::homePath()) return home_;
  return path == "/" ? localRoot_ : folder_;
}

QIcon FileIcons::ForFile(const QString& name) {
  const QMimeType type = mimes_.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  const QString key = type.name();
  if (auto found = byType_.constFind(key); found != byType_.constEnd()) return *found;
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = unknownFile_;
  byType_.insert(key, icon);
  return icon;
}

}  // namespace mirrodex
