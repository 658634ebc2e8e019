#include "desktop/files/explorer/PcRoots.h"

#include <QDir>
#include <QStorageInfo>

namespace mirrodex {
namespace {

// Volumes a user keeps files on live under these folders, or are real disks mounted elsewhere.
bool IsUserVolume(const QStorageInfo& volume) {
  if (!volume.isValid() || !volume.isReady()) return false;
  const QString path = volume.rootPath();
  if (path == "/") return false;  // listed by itself
  if (path.startsWith("/media/") || path.startsWith("/mnt/") || path.startsWith("/run/media/")) return true;
  return volume.device().startsWith("/dev/") && !path.startsWith("/boot") && !path.startsWith("/snap/");
}

}  // namespace

std::vector<PcRoot> ListPcRoots() {
  std::vector<PcRoot> roots;
  const QString home = QDir::homePath();
  roots.push_back({QDir::toNativeSeparators(home), home});
  if (home != "/") roots.push_back({"/", "/"});
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!IsUserVolume(volume)) continue;
    const QString path = volume.rootPath();
    if (path == home) continue;
    const QString name = volume.displayName();
    roots.push_back({name.isEmpty() || name == path ? path : name + "  (" + path + ")", path});
  }
  return roots;
}

}  // namespace mirrodex
