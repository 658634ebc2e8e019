// The capture state a framebuffer is served with: the scale mode from its size and pixels
// per inch, the served colour format and pitches, the device flags word. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "agent/capture/CaptureState.h"
#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {

// Pixels per inch: `dpiOverride` when given, else from the physical width the device
// reports, else 96.
uint32_t FramebufferDpi(const FramebufferLayout& layout, std::optional<uint32_t> dpiOverride);

// nullopt with `error` when the screen cannot be served even halved.
std::optional<CaptureState> MakeFbCaptureState(const FramebufferLayout& layout,
                                               std::optional<uint32_t> dpiOverride,
                                               std::string& error);

}  // namespace mirrodex
