#include "agent/services/FileRoot.h"

#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace mirrodex {
namespace {

std::atomic<bool> g_openat2Missing{false};

}  // namespace

FileRoot::FileRoot(const std::string& rootPath, Resolution resolution)
    : root_(::open(rootPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)), resolution_(resolution) {}

UniqueFd FileRoot::Open(const DevicePath& path, int flags, mode_t mode) const {
  if (!root_.Valid()) {
    errno = ENOENT;
    return UniqueFd();
  }
  if (resolution_ == Resolution::kKernel && !g_openat2Missing.load(std::memory_order_relaxed)) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    // The kernel refuses a mode without O_CREAT or O_TMPFILE (which includes O_DIRECTORY).
    const bool creates = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    how.mode = creates ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const std::string relative = path.Relative();
    long fd;
    do {
      fd = ::syscall(SYS_openat2, root_.Get(), relative.c_str(), &how, sizeof how);
    } while (fd < 0 && (errno == EINTR || errno == EAGAIN));
    if (fd >= 0 || errno != ENOSYS) return UniqueFd(static_cast<int>(fd));
    g_openat2Missing.store(true, std::memory_order_relaxed);
  }
  return OpenByWalking(path, flags, mode);
}

UniqueFd FileRoot::OpenByWalking(const DevicePath& path, int flags, mode_t mode) const {
  const auto& names = path.Names();
  if (names.empty()) return UniqueFd(::openat(root_.Get(), ".", flags | O_CLOEXEC));
  UniqueFd folder(::fcntl(root_.Get(), F_DUPFD_CLOEXEC, 0));
  for (size_t i = 0; folder.Valid() && i + 1 < names.size(); ++i) {
    folder = UniqueFd(::openat(folder.Get(), names[i].c_str(),
                               O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  }
  if (!folder.Valid()) return folder;
  return UniqueFd(::openat(folder.Get(), names.back().c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
}

UniqueFd FileRoot::OpenRegular(const DevicePath& path, int flags, struct stat& st) const {
  UniqueFd fd = Open(path, flags | O_NONBLOCK | O_NOCTTY, 0666);
  if (!fd.Valid()) return fd;
  if (::fstat(fd.Get(), &st) != 0) return UniqueFd();
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return UniqueFd();
  }
  return fd;
}

UniqueFd FileRoot::OpenParent(const DevicePath& path) const {
  if (path.IsRoot()) {
    errno = EINVAL;
    return UniqueFd();
  }
  return Open(path.Parent(), O_PATH | O_DIRECTORY);
}

}  // namespace mirrodex
