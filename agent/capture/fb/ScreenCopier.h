// Copies a captured screen into the encoder's current image: converted row by row to the
// served format, or halved by averaging each 2 x 2 square of converted pixels. Shared by the
// framebuffer and the X11 backends. Runs per frame: nothing allocates after Prepare.
// Thread: the capture's thread.
#pragma once

#include <cstdint>
#include <vector>

#include "agent/capture/CaptureState.h"
#include "agent/capture/ScreenEncoder.h"
#include "agent/capture/fb/FramebufferLayout.h"
#include "agent/capture/fb/RowConversion.h"

namespace mirrodex {

class ScreenCopier {
 public:
  // For a validated source layout served as `state` describes (after the encoder's set-up).
  void Prepare(const FramebufferLayout& layout, const CaptureState& state);
  // `src` is the top-left visible pixel, rows the layout's line length apart.
  void Copy(const uint8_t* src, ScreenEncoder& encoder);

 private:
  RowConversion convert_;
  std::vector<uint16_t> rowPair_;  // two converted source rows, for halving
  uint32_t sourceWidth_ = 0, sourceHeight_ = 0, servedHeight_ = 0;
  size_t sourceStride_ = 0;
  bool halved_ = false;
  uint16_t format_ = 6;
};

}  // namespace mirrodex
