// Drawing primitives on a 16-bit device picture: flat fills, outlines, bevels, banded
// gradients and 1-bit bitmaps. Every primitive clips to the picture, so painters may draw
// partly outside it. The canvas does not own the pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/scenes/SceneColour.h"

namespace mirrodex::scenes {

struct Rect {
  int x, y, w, h;
};

class Canvas {
 public:
  Canvas(uint16_t* pixels, int width, int height, size_t stridePixels, uint16_t format)
      : pixels_(pixels), width_(width), height_(height), stride_(stridePixels), format_(format) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint16_t Format() const { return format_; }
  uint16_t Pack(Rgb c) const { return PackRgb(format_, c); }
  uint16_t* Row(int y) const { return pixels_ + static_cast<size_t>(y) * stride_; }

  void Fill(Rect r, Rgb c) const;
  void Outline(Rect r, Rgb c) const;
  // A 3D edge: light top and left, dark bottom and right (swap them for a sunken edge).
  void Bevel(Rect r, Rgb light, Rgb dark) const;
  // `steps` flat bands from `from` to `to`, left to right or top to bottom: gradients on a
  // 16-bit device screen are banded, which keeps their colour count small.
  void Gradient(Rect r, Rgb from, Rgb to, int steps, bool vertical) const;
  // A bitmap of `rows` rows, `columns` <= 16 bits each (most significant bit left), each
  // bit drawn as a scale x scale square; zero bits stay transparent.
  void Bitmap(int x, int y, const uint16_t* bits, int columns, int rows, int scale, Rgb c) const;

 private:
  // Clips r to the picture; false when nothing is left.
  bool Clip(Rect& r) const;

  uint16_t* pixels_;
  int width_, height_;
  size_t stride_;
  uint16_t format_;
};

}  // namespace mirrodex::scenes
