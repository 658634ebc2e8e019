// 8-bit RGB colours of the scene painters and their packing into the device's 16-bit formats
// (5 = RGB555, 6 = RGB565, 7 = RGB444).
#pragma once

#include <cstdint>

namespace mirrodex::scenes {

struct Rgb {
  uint8_t r, g, b;
};

inline bool IsSceneFormat(uint16_t format) { return format >= 5 && format <= 7; }

inline uint16_t PackRgb(uint16_t format, Rgb c) {
  switch (format) {
    case 5:
      return static_cast<uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
    case 7:
      return static_cast<uint16_t>(((c.r >> 4) << 8) | ((c.g >> 4) << 4) | (c.b >> 4));
    default:
      return static_cast<uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
  }
}

// The lowest bit of each channel, red first: XOR-ing these into a pixel is sensor grain of
// one step per channel.
inline void ChannelLowBits(uint16_t format, uint16_t bits[3]) {
  bits[0] = format == 5 ? 0x0400 : format == 7 ? 0x0100 : 0x0800;
  bits[1] = format == 7 ? 0x0010 : 0x0020;
  bits[2] = 0x0001;
}

// Linear blend of two colours, t in 0..256.
inline Rgb Blend(Rgb a, Rgb b, int t) {
  auto mix = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>((x * (256 - t) + y * t) >> 8); };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

}  // namespace mirrodex::scenes
