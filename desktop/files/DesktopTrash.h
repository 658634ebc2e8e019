// The desktop's trash (the freedesktop.org trash in $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash): moves an entry there with the information file that lets a file
// manager restore it. Only entries on the trash's own file system go there, since a move to
// another file system would be a copy.
// Threads: any; no state.
#pragma once

#include <string>

namespace mirrodex {

// Moves `path` into the trash; false (errno set, nothing moved) when there is no usable trash
// for it.
[[nodiscard]] bool MoveToTrash(const std::string& path);

}  // namespace mirrodex
