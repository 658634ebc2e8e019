// A minimal PNG writer (8-bit RGB, zlib-compressed) for RGB555 pictures.
#pragma once

#include <cstdint>
#include <string>

namespace mirrodex::codec {

// Writes width x height RGB555 pixels (stride in pixels) to path. Returns an error text, or
// an empty string on success.
std::string WritePng(const std::string& path, const uint16_t* pixels, uint32_t width, uint32_t height,
                     uint32_t stride);

}  // namespace mirrodex::codec
