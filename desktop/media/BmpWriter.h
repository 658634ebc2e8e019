// Writes a snapshot surface as an uncompressed 24-bit BMP file: a 14-byte file header, a 40-byte
// information header, then the rows bottom row first, each padded with zeros to 4 bytes.
// Any thread; the surface must not change during the call.
#pragma once

#include <filesystem>

#include "desktop/media/MediaResult.h"
#include "desktop/media/SnapshotSurface.h"

namespace mirrodex {

inline constexpr uint32_t kBmpHeadersSize = 14 + 40;

// Writes the whole file or, on failure, leaves no file at `path` (an older one stays).
[[nodiscard]] MediaResult WriteBmp(const SnapshotSurface& surface,
                                   const std::filesystem::path& path);

}  // namespace mirrodex
