// A capture object whose served geometry a test sets, for input tests that need the screen's
// size and scale mode but no pixels.
#pragma once

#include "agent/capture/CScreenCap.h"

namespace mirrodex::test {

class GeometryScreen final : public CScreenCap {
 public:
  GeometryScreen(uint32_t width, uint32_t height, ScaleMode mode) { Set(width, height, mode); }
  void Set(uint32_t width, uint32_t height, ScaleMode mode) {
    state_.width = width;
    state_.height = height;
    state_.scaleMode = mode;
  }
  bool Initialise() override { return true; }
  bool Capture() override { return true; }
  void Close() override {}
};

}  // namespace mirrodex::test
