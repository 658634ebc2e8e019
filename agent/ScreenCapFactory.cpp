#include "agent/ScreenCapFactory.h"

#include "agent/capture/fb/CLinuxScrCap.h"

namespace mirrodex {

std::unique_ptr<CScreenCap> CreateScreenCap(const AgentConfig& /*config*/) {
  return std::make_unique<CLinuxScrCap>();
}

}  // namespace mirrodex
