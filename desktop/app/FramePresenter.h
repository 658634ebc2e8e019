// The present step: lays a complete device picture onto the window's drawing surface.
// Normally a straight row copy; for a device that asks for re-orientation (a landscape flag or
// a negative pitch) each surface pixel (r, c) takes the picture pixel
// (height - 1 - r) * py + (width - 1 - c) * px, px and py being the pitches in pixels. The
// index is shifted so that its smallest value is the picture's first pixel, and pitches that
// would still reach past the picture's end fall back to the straight copy: the step never
// reads outside the picture, whatever the device reported.
// Threads: the user-interface thread (or any single thread that owns the surface).
#pragma once

#include <QImage>
#include <cstdint>

#include "desktop/app/FrameStore.h"

namespace mirrodex::app {

// The surface format: 32-bit RGB, converted once here so that painting is a plain blit.
inline constexpr QImage::Format kSurfaceFormat = QImage::Format_RGB32;

// One RGB555 pixel as the surface stores it.
uint32_t SurfacePixel(uint16_t rgb555);

// Resizes `surface` to the picture when needed and fills it. Returns false when the frame
// has no picture (then the surface is left alone).
bool PresentFrame(const Frame& frame, QImage& surface);

// Whether the re-orienting copy can be used for these pitches on a width x height picture;
// also gives the index offset that makes the smallest index 0.
bool ReorientFits(uint32_t width, uint32_t height, int16_t xPitch, int16_t yPitch, int64_t& base);

}  // namespace mirrodex::app
