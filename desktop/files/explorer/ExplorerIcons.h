// The pictures of the file manager's commands and of the device's root, drawn for the program
// in the style of its other icons.
// Threads: the user-interface thread.
#pragma once

#include <QIcon>

namespace mirrodex {

enum class ExplorerIconKind {
  kNewFolder,
  kDelete,
  kRename,
  kRefresh,
  kDeviceRoot,
  kCopyToDevice,
  kCopyFromDevice,
  kHelp
};

QIcon ExplorerIcon(ExplorerIconKind kind);

}  // namespace mirrodex
