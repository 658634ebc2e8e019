// The pictures of the file manager's commands: the desktop's theme icons where it has them,
// the program's own otherwise.
// Threads: the user-interface thread.
#pragma once

#include <QIcon>

namespace mirrodex {

enum class ExplorerIconKind { kNewFolder, kDelete, kRename, kRefresh, kCopyToDevice, kCopyFromDevice, kHelp };

QIcon ExplorerIcon(ExplorerIconKind kind);

}  // namespace mirrodex
