// Where the demo device draws its parts on a screen of a given size: a title, a clock, a
// counter, a row of buttons and a text field, scaled to fit anything from 160 x 160 up.
// Pure; any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mirrodex::demo {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
};

inline constexpr int kButtonCount = 4;

struct DemoLayout {
  Rect title, clock, counter, textField;
  std::array<Rect, kButtonCount> buttons;

  static DemoLayout For(int width, int height);
  // The button under a point, or -1.
  int ButtonAt(int x, int y) const;
};

}  // namespace mirrodex::demo
