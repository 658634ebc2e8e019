// The PC's file system through POSIX calls. Removing a folder moves it to the desktop's trash
// (the freedesktop.org trash) where one can be used, else removes it only when it is empty;
// deleting a file removes it for good. Renames never replace an existing target; a copy
// replaces its target only once the copy is complete.
// Threads: the owner thread (see FileSource).
#pragma once

#include "desktop/files/FileSource.h"

namespace mirrodex {

class LocalFileSource : public FileSource {
 public:
  bool IsDevice() const override { return false; }
  FileResult ListFolder(const std::string& path, std::vector<FileEntry>& entries) override;
  FileResult Exists(const std::string& path, bool& exists) override;
  FileResult CreateFolder(const std::string& path) override;
  FileResult RemoveFolder(const std::string& path) override;
  FileResult DeleteFile(const std::string& path) override;
  FileResult RenameFile(const std::string& from, const std::string& to) override;
  FileResult RenameFolder(const std::string& from, const std::string& to) override;
  FileResult CopyFile(const std::string& from, const std::string& to) override;
};

}  // namespace mirrodex
