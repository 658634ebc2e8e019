#include "desktop/files/explorer/ExplorerIcons.h"

#include "desktop/resources/Icons.h"

namespace mirrodex {

QIcon ExplorerIcon(ExplorerIconKind kind) {
  switch (kind) {
    case ExplorerIconKind::kNewFolder:
      return QIcon(":/mirrodex/explorer/new_folder.svg");
    case ExplorerIconKind::kDelete:
      return QIcon(":/mirrodex/explorer/delete.svg");
    case ExplorerIconKind::kRename:
      return QIcon(":/mirrodex/explorer/rename.svg");
    case ExplorerIconKind::kRefresh:
      return QIcon(":/mirrodex/explorer/refresh.svg");
    case ExplorerIconKind::kDeviceRoot:
      return QIcon(":/mirrodex/explorer/device_root.svg");
    case ExplorerIconKind::kCopyToDevice:
      return LoadIcon(Icon::kCopyToDevice);
    case ExplorerIconKind::kCopyFromDevice:
      return LoadIcon(Icon::kCopyFromDevice);
    case ExplorerIconKind::kHelp:
      return LoadIcon(Icon::kHelp);
  }
  return {};
}

}  // namespace mirrodex
