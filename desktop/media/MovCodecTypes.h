// The thirteen codec types of the MOV profile list, in list order, with what FFmpeg writes for
// each, and the mapping of the dialog's quality to the codec quality scale (0 to 1024).
// Any thread; constant.
#pragma once

#include <cstdint>
#include <span>

namespace mirrodex {

struct FrameSize {
  uint32_t width, height;
};

struct MovCodecType {
  const char* text;                  // list entry
  uint32_t type;                     // four characters, first letter in the highest byte
  const char* encoder;               // FFmpeg encoder name; null when FFmpeg cannot write the type
  std::span<const FrameSize> sizes;  // the only frame sizes the codec takes; empty: any size
};

std::span<const MovCodecType> MovCodecTypes();
// The entry with `type`, or null.
const MovCodecType* FindMovCodecType(uint32_t type);

// Quality 5..100 of the dialog to the codec quality scale by quarters: q / 25 of 0, 1, 2, 3, 4
// and more gives 0, 256, 512, 768, 1024.
int MovCodecQuality(int quality);

}  // namespace mirrodex
