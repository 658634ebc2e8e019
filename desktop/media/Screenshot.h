// Saving the device picture as a screenshot file: the format follows the file's extension.
// Any thread (the screen window calls it on the user-interface thread); the picture must not
// change during the call.
#pragma once

#include <cstdint>
#include <filesystem>

#include "desktop/media/MediaResult.h"
#include "desktop/media/PictureView.h"

namespace mirrodex {

// True when the file name ends in ".bmp" (any case); every other name is saved as JPEG.
bool IsBmpPath(const std::filesystem::path& path);

// Writes `picture`, each pixel enlarged to zoom x zoom, as BMP or JPEG (with `jpegQuality`).
// On failure no file is left at `path` and the message says what to do.
[[nodiscard]] MediaResult SaveScreenshot(const PictureView& picture, uint32_t zoom,
                                         const std::filesystem::path& path, int jpegQuality);

}  // namespace mirrodex
