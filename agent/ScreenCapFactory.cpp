#include "agent/ScreenCapFactory.h"

#include "agent/capture/x11/CaptureChoice.h"
#include "agent/session/AgentLog.h"

namespace mirrodex {

std::unique_ptr<CScreenCap> CreateScreenCap(const AgentConfig& config) {
  std::string reason;
  auto capture = ChooseScreenCap({config.fbdev, kDefaultFramebufferDevice, config.display, config.dpi}, &reason);
  AgentLog("capturing %s", reason.c_str());
  return capture;
}

}  // namespace mirrodex
