// The fallback capture backend: the root window of an X display, read through MIT-SHM when
// the server offers it (else plain image requests) and served as 5-6-5 pixels (code 6), top
// row first. High-resolution screens larger than 240 x 320, and any screen over 2048 pixels,
// are halved by averaging 2 x 2 squares. Pixels per inch come from the screen's size in
// millimetres unless given.
// Thread: Initialise and Close from the agent's entry points; Capture from the
// screen-session thread, between them. Owns its display connection and image.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/capture/CScreenCap.h"
#include "agent/capture/fb/ScreenCopier.h"
#include "agent/capture/fb/FramebufferLayout.h"
#include "agent/capture/x11/X11ScreenImage.h"

namespace mirrodex {

class X11Display;

struct X11CaptureConfig {
  std::string display;            // as for XOpenDisplay; empty means $DISPLAY
  std::optional<uint32_t> dpi;    // overrides what the display reports
  bool allowSharedMemory = true;  // false: always plain image requests
};

class CX11Capture final : public CScreenCap {
 public:
  explicit CX11Capture(X11CaptureConfig config);
  ~CX11Capture() override;

  [[nodiscard]] bool Initialise() override;
  [[nodiscard]] bool Capture() override;
  void Close() override;

  bool UsesSharedMemory() const { return image_.UsesSharedMemory(); }

 private:
  // The framebuffer layout of a grabbed image, validated; coded as 5-6-5 whatever it is.
  [[nodiscard]] bool LearnLayout(const XImage& image, std::string& error);

  X11CaptureConfig config_;
  std::unique_ptr<X11Display> display_;
  X11ScreenImage image_;  // declared after the display, so it goes first
  FramebufferLayout layout_;
  ScreenCopier copier_;
};

}  // namespace mirrodex
