// Draws on a test X server and says what the desktop must show for it: rectangles in
// colours that every 16- and 24-bit true-colour screen holds exactly.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex::test {

class ScreenPainter {
 public:
  ScreenPainter(const std::string& display, uint32_t width, uint32_t height)
      : display_(XOpenDisplay(display.c_str())), width_(width), height_(height),
        expected_(size_t{width} * height, 0) {}
  ~ScreenPainter() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr; }

  // Channels as 5-6-5 values, spread over the X range so that a 16-bit server keeps them
  // and a 24-bit one yields 8-bit values whose top bits are them.
  void Fill(int x, int y, uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b) {
    XColor colour{};
    colour.red = static_cast<unsigned short>(r * 65535u / 31u);
    colour.green = static_cast<unsigned short>(g * 65535u / 63u);
    colour.blue = static_cast<unsigned short>(b * 65535u / 31u);
    colour.flags = DoRed | DoGreen | DoBlue;
    const int screen = DefaultScreen(display_);
    XAllocColor(display_, DefaultColormap(display_, screen), &colour);
    GC gc = XCreateGC(display_, RootWindow(display_, screen), 0, nullptr);
    XSetForeground(display_, gc, colour.pixel);
    XFillRectangle(display_, RootWindow(display_, screen), gc, x, y, w, h);
    XFreeGC(display_, gc);
    XSync(display_, False);
    const uint16_t rgb565 = static_cast<uint16_t>((r << 11) | (g << 5) | b);
    for (uint32_t row = static_cast<uint32_t>(y); row < y + h && row < height_; ++row) {
      for (uint32_t col = static_cast<uint32_t>(x); col < x + w && col < width_; ++col) {
        expected_[size_t{row} * width_ + col] = ToRgb555(6, rgb565);
      }
    }
  }
  // Bands and a block of many colours over the whole screen.
  void PaintScene(uint32_t seed) {
    for (uint32_t i = 0; i < 16; ++i) {
      const uint32_t v = (i + seed) * 2654435761u;
      Fill(0, static_cast<int>(i * height_ / 16), width_, height_ / 16 + 1, (v >> 3) & 31,
           (v >> 11) & 63, (v >> 19) & 31);
    }
    Fill(static_cast<int>(width_ / 3), static_cast<int>(height_ / 4), width_ / 3, height_ / 5, 31, 0, 0);
  }
  // The RGB555 picture the desktop must show.
  const std::vector<uint16_t>& Expected() const { return expected_; }

 private:
  Display* display_;
  uint32_t width_, height_;
  std::vector<uint16_t> expected_;
};

}  // namespace mirrodex::test
