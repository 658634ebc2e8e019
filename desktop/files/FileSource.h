// The file system of one side of the file manager: the PC's (LocalFileSource) or the
// device's (DeviceFileSource, over request/reply exchanges). Paths are UTF-8: POSIX paths on
// the PC, backslash paths under the device's file root on the device.
// Threads: one owner thread (the user-interface thread or the client's main thread); calls
// block until the operation is done.
#pragma once

#include <string>
#include <vector>

#include "desktop/files/FileEntry.h"
#include "desktop/files/FileResult.h"

namespace mirrodex {

class FileSource {
 public:
  virtual ~FileSource() = default;
  virtual bool IsDevice() const = 0;

  // The entries of a folder ("." and ".." left out). The device cannot tell an empty folder
  // from a missing one and refuses both.
  [[nodiscard]] virtual FileResult ListFolder(const std::string& path, std::vector<FileEntry>& entries) = 0;
  [[nodiscard]] virtual FileResult Exists(const std::string& path, bool& exists) = 0;
  [[nodiscard]] virtual FileResult CreateFolder(const std::string& path) = 0;
  // Removes an empty folder (on the PC: moves the folder to the desktop's trash).
  [[nodiscard]] virtual FileResult RemoveFolder(const std::string& path) = 0;
  [[nodiscard]] virtual FileResult DeleteFile(const std::string& path) = 0;
  // Renames never replace an existing target.
  [[nodiscard]] virtual FileResult RenameFile(const std::string& from, const std::string& to) = 0;
  [[nodiscard]] virtual FileResult RenameFolder(const std::string& from, const std::string& to) = 0;
  // Copies a file within this side, replacing an existing target.
  [[nodiscard]] virtual FileResult CopyFile(const std::string& from, const std::string& to) = 0;
};

}  // namespace mirrodex
