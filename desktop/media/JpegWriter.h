// Writes pictures as baseline JPEG files through libjpeg. A library failure (a write error
// included) becomes a failure result; it never ends the program.
// Any thread; each call uses its own compressor. Inputs must not change during a call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "desktop/media/MediaResult.h"
#include "desktop/media/SnapshotSurface.h"

namespace mirrodex {

enum class JpegColour {
  kColour,  // 3 components, RGB
  kGrey,    // 1 component: grey = 0.299 R + 0.587 G + 0.114 B
};

inline constexpr int kDefaultJpegQuality = 75;

// Writes `surface` in colour. `quality` is clamped to 1..100.
// Writes the whole file or, on failure, leaves no file at `path` (an older one stays).
[[nodiscard]] MediaResult WriteJpeg(const SnapshotSurface& surface,
                                    const std::filesystem::path& path, int quality);

// Writes a packed picture of width x height pixels, 3 bytes R, G, B each, top row first.
// `rgb` must hold at least width x height x 3 bytes.
[[nodiscard]] MediaResult WriteJpegFile(const std::filesystem::path& path,
                                        std::span<const uint8_t> rgb, uint32_t width,
                                        uint32_t height, JpegColour colour, int quality);

}  // namespace mirrodex
