// One entry of a folder listing, from either side.
#pragma once

#include <cstdint>
#include <string>

namespace mirrodex {

// A last-write time in UTC, as the device's date and time words carry it.
struct FileTime {
  uint32_t year = 0;  // 0: unknown
  uint32_t month = 0;
  uint32_t day = 0;
  uint32_t hour = 0;
  uint32_t minute = 0;
  uint32_t second = 0;

  // From the date word (year << 16 | month << 8 | day) and the time word (hour << 24 |
  // minute << 16 | second << 10 | milliseconds) of a device listing.
  static FileTime FromWords(uint32_t date, uint32_t time) {
    return {date >> 16, (date >> 8) & 0xFFu, date & 0xFFu, time >> 24, (time >> 16) & 0xFFu,
            (time >> 10) & 0x3Fu};
  }
};

inline constexpr uint32_t kAttributeHidden = 2;
inline constexpr uint32_t kAttributeSystem = 4;
inline constexpr uint32_t kAttributeFolder = 16;

struct FileEntry {
  std::string name;  // UTF-8
  uint64_t size = 0;
  FileTime lastWrite;
  uint32_t attributes = 0;

  bool IsFolder() const { return (attributes & kAttributeFolder) != 0; }
  // Entries the file manager does not show.
  bool IsHiddenOrSystem() const { return (attributes & (kAttributeHidden | kAttributeSystem)) != 0; }
};

// A storage root of the device: its text ("\" or a drive "C:") and its value.
struct DeviceRoot {
  std::string text;
  uint32_t value = 0;
};

}  // namespace mirrodex
