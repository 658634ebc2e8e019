// Picks the capture backend for this machine. The framebuffer backend reads MIRRODEX_FBDEV
// (a framebuffer device or an XWD file, /dev/fb0 when unset) at every Initialise.
#pragma once

#include <memory>

#include "agent/AgentConfig.h"
#include "agent/capture/CScreenCap.h"

namespace mirrodex {

std::unique_ptr<CScreenCap> CreateScreenCap(const AgentConfig& config);

}  // namespace mirrodex
