// Folder listings (code 5) and the list of storage roots (code 6).
// Entry attributes: 16 folder, 2 hidden (names starting with '.'), 4 system (anything that is
// neither a regular file nor a folder, including links that lead out of the root); 0 for a
// plain file. Dates and times are the modification time in UTC.
// Thread: the screen-session thread only.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>

#include "agent/services/FileRoot.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

class FolderListing {
 public:
  static constexpr uint32_t kNothingFound = 0xFFFF;
  static constexpr uint32_t kMaxEntries = 0xFFFE;
  static constexpr uint32_t kAttributeHidden = 2;
  static constexpr uint32_t kAttributeSystem = 4;
  static constexpr uint32_t kAttributeFolder = 16;

  explicit FolderListing(const FileRoot& root) : root_(root) {}

  void List(std::span<const uint8_t> payload, ByteBuffer& reply);
  static void ListRoots(ByteBuffer& reply);

  // The wire's date word (year << 16 | month << 8 | day) and time word (hour << 24 |
  // minute << 16 | second << 10 | milliseconds) of a UTC time.
  static uint32_t DateWord(const struct timespec& time);
  static uint32_t TimeWord(const struct timespec& time);

 private:
  // Type, size and time of one entry; a symbolic link is followed only while it stays
  // beneath the root.
  [[nodiscard]] bool StatEntry(int folderFd, const DevicePath& folder, const char* name,
                               struct stat& st) const;

  const FileRoot& root_;
};

}  // namespace mirrodex
