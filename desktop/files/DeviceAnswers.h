// Reads the device's folder listing and roots answers. Every count and length is checked
// against the bytes present before anything is sized by it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "desktop/files/FileEntry.h"

namespace mirrodex {

// `count` entries of: u32 name length in characters, the UTF-16LE name, u32 size, u32 date,
// u32 time, u32 attributes, u32 unused. False, with no entries, when the answer ends early. An
// entry whose name holds a lone surrogate is left out and counted in `refused`: such a name has
// no UTF-8 form, and any stand-in would name another file.
[[nodiscard]] bool ParseFolderListing(uint32_t count, std::span<const uint8_t> payload,
                                      std::vector<FileEntry>& entries, size_t* refused = nullptr);
// True when `bytes` are whole UTF-16LE units with every surrogate in a pair.
bool IsWellFormedUtf16Le(std::span<const uint8_t> bytes);
// `count` pairs of u32 character and u32 value; character 92 is the root "\", any other a
// drive letter "c:". False, with no roots, when the answer ends early.
[[nodiscard]] bool ParseRoots(uint32_t count, std::span<const uint8_t> payload, std::vector<DeviceRoot>& roots);

}  // namespace mirrodex
