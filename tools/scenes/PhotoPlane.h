// A photo-like landscape (sky with clouds and a sun glow over textured ground) in a 16-bit
// device format: smooth multi-octave value noise, thousands of colours. The photo scene pans
// across it, so it is painted larger than the screen.
#pragma once

#include <cstdint>
#include <vector>

namespace mirrodex::scenes {

// Returns width x height pixels, packed rows.
std::vector<uint16_t> PaintPhotoPlane(int width, int height, uint16_t format, uint64_t seed);

}  // namespace mirrodex::scenes
