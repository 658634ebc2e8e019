// Picks the capture backend: the framebuffer named by the configuration; without one, the
// default framebuffer device when it opens, else the X display's root window.
// Thread: any; it opens and closes the default framebuffer device to probe it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "agent/capture/CScreenCap.h"
#include "agent/capture/fb/FbCaptureConfig.h"

namespace mirrodex {

struct CaptureChoice {
  std::string framebuffer;  // MIRRODEX_FBDEV: a framebuffer device or XWD file; empty: probe
  std::string defaultFramebuffer = kDefaultFramebufferDevice;  // what is probed
  std::string display;                                         // DISPLAY; empty: no X fallback
  uint32_t dpi = 0;                                            // MIRRODEX_DPI; 0: ask the screen
};

// Never null. `reason`, when given, says which backend was taken and why.
std::unique_ptr<CScreenCap> ChooseScreenCap(const CaptureChoice& choice,
                                            std::string* reason = nullptr);

}  // namespace mirrodex
