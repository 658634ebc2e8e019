// What a movie writer asks FFmpeg to produce: container, encoder, tag, timing and rate settings.
// Plain value, filled by each writer and read by MovieFile.
#pragma once

#include <cstdint>
#include <span>

#include "desktop/media/MovCodecTypes.h"

namespace mirrodex {

struct MovieStream {
  const char* container = nullptr;  // libavformat muxer: "avi", "asf", "mov", "mp4"
  const char* encoder = nullptr;    // libavcodec encoder name
  uint32_t codecTag = 0;            // tag stored in the file (first letter lowest); 0: default
  // Timestamps are kept in units of this many milliseconds. 500 puts the frames on the capture
  // timer's grid (what constant-rate containers and rate control want); 1 keeps real times.
  int timeUnitMs = 500;
  int keyFrameInterval = 0;  // frames between key frames; 0: the encoder's default
  int64_t bitRate = 0;       // bits per second; 0: not set
  int qscale = 0;            // fixed quantiser 1..31 for the quantiser-driven encoders; 0: not set
  int crf = -1;              // libx264 constant rate factor; -1: not set
  std::span<const FrameSize> sizes;  // the only sizes the encoder takes; empty: any
};

// The fixed quantiser (31 coarsest .. 1 finest) for a quality from 0 (lowest) to 1 (highest).
inline int QuantiserFor(double fraction) {
  const double q = fraction < 0 ? 0 : (fraction > 1 ? 1 : fraction);
  return static_cast<int>(31.5 - 30 * q);
}

}  // namespace mirrodex
