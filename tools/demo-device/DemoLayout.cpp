#include "tools/demo-device/DemoLayout.h"

namespace mirrodex::demo {

DemoLayout DemoLayout::For(int width, int height) {
  // Eight equal bands: title, clock, counter, two of buttons, text field, two spare.
  const int band = height / 8;
  const int margin = width / 20;
  const int inner = width - 2 * margin;
  DemoLayout l;
  l.title = {0, 0, width, band};
  l.clock = {margin, band, inner, band};
  l.counter = {margin, 2 * band, inner, band};
  const int gap = margin / 2;
  const int buttonWidth = (inner - (kButtonCount - 1) * gap) / kButtonCount;
  for (int i = 0; i < kButtonCount; ++i) {
    l.buttons[static_cast<size_t>(i)] = {margin + i * (buttonWidth + gap), 3 * band + band / 4,
                                         buttonWidth, 3 * band / 2};
  }
  l.textField = {margin, 5 * band + band / 2, inner, band};
  return l;
}

int DemoLayout::ButtonAt(int x, int y) const {
  for (int i = 0; i < kButtonCount; ++i) {
    if (buttons[static_cast<size_t>(i)].Contains(x, y)) return i;
  }
  return -1;
}

}  // namespace mirrodex::demo
