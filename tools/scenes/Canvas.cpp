#include "tools/scenes/Canvas.h"

#include <algorithm>

namespace mirrodex::scenes {

bool Canvas::Clip(Rect& r) const {
  const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
  const int x1 = std::min(r.x + r.w, width_), y1 = std::min(r.y + r.h, height_);
  if (x1 <= x0 || y1 <= y0) return false;
  r = {x0, y0, x1 - x0, y1 - y0};
  return true;
}

void Canvas::Fill(Rect r, Rgb c) const {
  if (!Clip(r)) return;
  const uint16_t v = Pack(c);
  for (int y = r.y; y < r.y + r.h; ++y) std::fill_n(Row(y) + r.x, r.w, v);
}

void Canvas::Outline(Rect r, Rgb c) const {
  Fill({r.x, r.y, r.w, 1}, c);
  Fill({r.x, r.y + r.h - 1, r.w, 1}, c);
  Fill({r.x, r.y, 1, r.h}, c);
  Fill({r.x + r.w - 1, r.y, 1, r.h}, c);
}

void Canvas::Bevel(Rect r, Rgb light, Rgb dark) const {
  Fill({r.x, r.y, r.w, 1}, light);
  Fill({r.x, r.y, 1, r.h}, light);
  Fill({r.x, r.y + r.h - 1, r.w, 1}, dark);
  Fill({r.x + r.w - 1, r.y, 1, r.h}, dark);
}

void Canvas::Gradient(Rect r, Rgb from, Rgb to, int steps, bool vertical) const {
  const int length = vertical ? r.h : r.w;
  steps = std::clamp(steps, 1, std::max(length, 1));
  for (int i = 0; i < steps; ++i) {
    const int a = length * i / steps, b = length * (i + 1) / steps;
    const Rgb c = Blend(from, to, steps > 1 ? 256 * i / (steps - 1) : 0);
    Fill(vertical ? Rect{r.x, r.y + a, r.w, b - a} : Rect{r.x + a, r.y, b - a, r.h}, c);
  }
}

void Canvas::Bitmap(int x, int y, const uint16_t* bits, int columns, int rows, int scale,
                    Rgb c) const {
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < columns; ++col) {
      if ((bits[row] >> (columns - 1 - col)) & 1) Fill({x + col * scale, y + row * scale, scale, scale}, c);
    }
  }
}

}  // namespace mirrodex::scenes
