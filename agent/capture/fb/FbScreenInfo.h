// Reads a Linux framebuffer device's mode (the values FBIOGET_VSCREENINFO and
// FBIOGET_FSCREENINFO return) as a framebuffer layout. Pure; any thread.
#pragma once

#include <linux/fb.h>

#include <optional>
#include <string>

#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {

// The visible picture of a device in this mode, validated against the device memory
// (smem_len); nullopt with `error` saying why the mode cannot be captured.
std::optional<FramebufferLayout> DecodeFbScreenInfo(const fb_var_screeninfo& var,
                                                    const fb_fix_screeninfo& fix,
                                                    std::string& error);

}  // namespace mirrodex
