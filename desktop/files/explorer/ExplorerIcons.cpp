#include "desktop/files/explorer/ExplorerIcons.h"

#include <QApplication>
#include <QStyle>

#include "desktop/resources/Icons.h"

namespace mirrodex {

QIcon ExplorerIcon(ExplorerIconKind kind) {
  QStyle* style = QApplication::style();
  switch (kind) {
    case ExplorerIconKind::kNewFolder:
      return QIcon::fromTheme("folder-new", style->standardIcon(QStyle::SP_FileDialogNewFolder));
    case ExplorerIconKind::kDelete: return QIcon::fromTheme("edit-delete", style->standardIcon(QStyle::SP_TrashIcon));
    case ExplorerIconKind::kRename:
      return QIcon::fromTheme("document-edit",
                              QIcon::fromTheme("edit-rename", style->standardIcon(QStyle::SP_FileDialogDetailedView)));
    case ExplorerIconKind::kRefresh:
      return QIcon::fromTheme("view-refresh", style->standardIcon(QStyle::SP_BrowserReload));
    case ExplorerIconKind::kCopyToDevice: return LoadIcon(Icon::kCopyToDevice);
    case ExplorerIconKind::kCopyFromDevice: return LoadIcon(Icon::kCopyFromDevice);
    case ExplorerIconKind::kHelp: return LoadIcon(Icon::kHelp);
  }
  return {};
}

}  // namespace mirrodex
