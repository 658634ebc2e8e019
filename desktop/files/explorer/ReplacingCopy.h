// Copies that never destroy what was there before: the data goes to a hidden temporary name
// beside the target first, and only a complete copy replaces the target. A failed or stopped
// copy removes its temporary file and leaves an existing target as it was.
// Threads: the owner thread of the sources (the file manager's requesting thread).
// Ownership: nothing is kept; the sources must outlive the call.
#pragma once

#include <string>

#include "desktop/files/DeviceTransfer.h"

namespace mirrodex {

class ReplacingCopy {
 public:
  explicit ReplacingCopy(DeviceFileSource& device) : device_(device), transfer_(device) {}

  // `localPath` is a POSIX path, `devicePath` a backslash path under the device's root.
  [[nodiscard]] TransferResult FromDevice(const std::string& devicePath,
                                          const std::string& localPath,
                                          const TransferControl& control);
  [[nodiscard]] TransferResult ToDevice(const std::string& localPath, const std::string& devicePath,
                                        const TransferControl& control);
  // A copy within the device (its own copy request truncates the target before it copies).
  [[nodiscard]] FileResult WithinDevice(const std::string& from, const std::string& to);

  // The hidden name in the target's folder that a copy to `target` writes first; `separator` is
  // '/' on the PC and '\\' on the device.
  static std::string TemporaryName(const std::string& target, char separator, const char* purpose);

 private:
  // Puts the finished `temporary` in the place of `target` on the device: an existing target
  // is moved aside first and restored when the move fails.
  FileResult ReplaceOnDevice(const std::string& temporary, const std::string& target);

  DeviceFileSource& device_;
  DeviceTransfer transfer_;
};

}  // namespace mirrodex
