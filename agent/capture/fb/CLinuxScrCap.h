// The capture backend for a framebuffer: a Linux framebuffer device or a live XWD file.
// 16-bit 5-5-5, 5-6-5 and 4-4-4 screens are served as they are; other true-colour screens
// are converted to 5-6-5. High-resolution screens larger than 240 x 320, and any screen over
// 2048 pixels, are halved by averaging 2 x 2 squares.
// Thread: Initialise and Close from the agent's entry points; Capture from the
// screen-session thread, between them. Owns its CFbDisplay.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "agent/capture/CScreenCap.h"
#include "agent/capture/fb/CFbDisplay.h"
#include "agent/capture/fb/FbCaptureConfig.h"
#include "agent/capture/fb/ScreenCopier.h"

namespace mirrodex {

class CLinuxScrCap final : public CScreenCap {
 public:
  // Reads MIRRODEX_FBDEV and MIRRODEX_DPI at every Initialise.
  CLinuxScrCap() = default;
  // Uses this configuration instead of the environment.
  explicit CLinuxScrCap(FbCaptureConfig config) : config_(std::move(config)) {}

  [[nodiscard]] bool Initialise() override;
  [[nodiscard]] bool Capture() override;
  void Close() override;

  const FramebufferLayout& Layout() const { return display_.Layout(); }

 private:
  std::optional<FbCaptureConfig> config_;
  CFbDisplay display_;
  ScreenCopier copier_;
};

}  // namespace mirrodex
