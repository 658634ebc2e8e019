// The agent's file root: every file request resolves its device path beneath it, and no
// resolution leaves it, symbolic links included. Uses openat2 with RESOLVE_BENEATH; on a
// kernel without openat2 it walks the names one by one and refuses every symbolic link.
// Thread: the screen-session thread (the descriptor is only read after construction).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "agent/services/DevicePath.h"
#include "agent/services/UniqueFd.h"

namespace mirrodex {

class FileRoot {
 public:
  enum class Resolution {
    kKernel,   // openat2, walking only where the kernel lacks it
    kWalking,  // always walk (what older kernels get; tests check it too)
  };

  // Opens the root folder; when that fails every request on it fails (errno ENOENT).
  explicit FileRoot(const std::string& rootPath, Resolution resolution = Resolution::kKernel);

  bool IsOpen() const { return root_.Valid(); }
  int Descriptor() const { return root_.Get(); }

  // Opens `path` beneath the root with open(2) flags (O_CLOEXEC is added); invalid with errno
  // set on failure (EXDEV or ELOOP for a path that would leave the root).
  [[nodiscard]] UniqueFd Open(const DevicePath& path, int flags, mode_t mode = 0) const;
  // Opens a regular file, filling `st`; never blocks on a FIFO or a device, and fails (EINVAL)
  // for anything that is not a regular file. O_CREAT creates with mode 0666 less the umask.
  [[nodiscard]] UniqueFd OpenRegular(const DevicePath& path, int flags, struct stat& st) const;
  // The folder that holds the path's last name, as an O_PATH descriptor for the *at calls;
  // invalid with errno EINVAL for the root itself.
  [[nodiscard]] UniqueFd OpenParent(const DevicePath& path) const;

 private:
  [[nodiscard]] UniqueFd OpenByWalking(const DevicePath& path, int flags, mode_t mode) const;

  UniqueFd root_;
  Resolution resolution_;
};

}  // namespace mirrodex
