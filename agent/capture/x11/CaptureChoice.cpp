#include "agent/capture/x11/CaptureChoice.h"

#include "agent/capture/fb/CFbDisplay.h"
#include "agent/capture/fb/CLinuxScrCap.h"
#include "agent/capture/x11/CX11Capture.h"

namespace mirrodex {

std::unique_ptr<CScreenCap> ChooseScreenCap(const CaptureChoice& choice, std::string* reason) {
  const std::optional<uint32_t> dpi =
      choice.dpi == 0 ? std::nullopt : std::optional<uint32_t>(choice.dpi);
  std::string said;
  const auto framebuffer = [&](const std::string& path) {
    return std::make_unique<CLinuxScrCap>(FbCaptureConfig{path, dpi});
  };
  std::unique_ptr<CScreenCap> chosen;
  if (!choice.framebuffer.empty()) {
    // A framebuffer the user named is what they want; its failure is theirs to see.
    said = "the framebuffer " + choice.framebuffer + " as configured";
    chosen = framebuffer(choice.framebuffer);
  } else {
    CFbDisplay probe;
    std::string error;
    if (probe.Open(choice.defaultFramebuffer, error) || choice.display.empty()) {
      said = "the framebuffer " + choice.defaultFramebuffer;
      chosen = framebuffer(choice.defaultFramebuffer);
    } else {
      said = "the X display " + choice.display + " (" + error + ")";
      chosen = std::make_unique<CX11Capture>(X11CaptureConfig{choice.display, dpi});
    }
  }
  if (reason != nullptr) *reason = said;
  return chosen;
}

}  // namespace mirrodex
