// A file that appears at its target path only when completely written. Bytes go to a new file
// beside the target; Commit renames it over the target. Until then, and after any failure, the
// target is untouched and the temporary file is removed, so a failed save never leaves a
// partial file nor destroys an older file of the same name.
// One thread; not copyable. Order: Open, writes (Write or Stream), Commit.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

#include "desktop/media/MediaResult.h"

namespace mirrodex {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Abandon(); }

  [[nodiscard]] MediaResult Open(const std::filesystem::path& target);
  // The open stream for writers that write through stdio themselves; null when not open.
  FILE* Stream() const { return file_; }
  [[nodiscard]] MediaResult Write(const void* data, size_t size);
  // Flushes, closes and moves the file to its target. On failure the file is removed.
  [[nodiscard]] MediaResult Commit();
  // Closes and removes an uncommitted file.
  void Abandon();

  // The failure text for an operating-system error `err` while saving to `target`.
  static std::string DescribeError(int err, const std::filesystem::path& target);
  // The failure text for the stream's last error (a failed write).
  MediaResult StreamFailure(int err) const;

 private:
  std::filesystem::path target_;       // the path as given, for messages
  std::filesystem::path destination_;  // where the file goes (a symbolic link's destination)
  std::filesystem::path temp_;
  FILE* file_ = nullptr;
};

}  // namespace mirrodex
