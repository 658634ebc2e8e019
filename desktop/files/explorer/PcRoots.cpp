#include "desktop/files/explorer/PcRoots.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace mirrodex {
namespace {

// Volumes a user keeps files on live under these folders, or are real disks mounted outside
// the system's own folders (containers bind single files such as /etc/hosts: not volumes).
bool IsUserVolume(const QStorageInfo& volume) {
  if (!volume.isValid() || !volume.isReady()) return false;
  const QString path = volume.rootPath();
  if (path == "/" || !QFileInfo(path).isDir()) return false;
  for (const char* place : {"/media/", "/mnt/", "/run/media/"}) {
    if (path.startsWith(place)) return true;
  }
  for (const char* system :
       {"/boot", "/dev", "/etc", "/proc", "/run", "/snap", "/sys", "/tmp", "/usr", "/var"}) {
    if (path == system || path.startsWith(QString(system) + "/")) return false;
  }
  return volume.device().startsWith("/dev/");
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
