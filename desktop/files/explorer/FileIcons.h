// The small pictures of the file trees: file icons from the desktop's icon theme by MIME type
// (looked up once per type), folders, the two kinds of root, with the style's standard
// pictures where the theme has nothing.
// Threads: the user-interface thread.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

namespace mirrodex {

class FileIcons {
 public:
  FileIcons();

  QIcon Folder() const { return folder_; }
  QIcon LocalRoot() const { return localRoot_; }
  // The root of the PC's tree: the home folder, the root folder (a disk) or another folder.
  QIcon ForLocalRoot(const QString& path) const;
  QIcon DeviceRoot() const { return deviceRoot_; }
  // A file named `name` (the type comes from its name only, so device files need no reading).
  QIcon ForFile(const QString& name);

 private:
  QMimeDatabase mimes_;
  QHash<QString, QIcon> byType_;
  QIcon folder_;
  QIcon localRoot_;
  QIcon home_;
  QIcon deviceRoot_;
  QIcon unknownFile_;
};

}  // namespace mirrodex
