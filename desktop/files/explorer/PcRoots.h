// The places a user expects at the top of the PC's tree: the root folder, the home folder and
// the mounted volumes (removable media, other disks), without the system's pseudo file systems.
// Threads: any.
#pragma once

#include <QString>
#include <vector>

namespace mirrodex {

struct PcRoot {
  QString text;  // shown in the drive list
  QString path;  // absolute, without a trailing slash except for "/"
};

// The home folder first, then "/", then the mounted volumes in mount order.
std::vector<PcRoot> ListPcRoots();

}  // namespace mirrodex
