// Where the framebuffer capture looks and at what resolution, from the agent's environment:
// MIRRODEX_FBDEV (a framebuffer device or an XWD file; /dev/fb0 when unset) and
// MIRRODEX_DPI (pixels per inch; unknown when unset). Thread: any; reads the environment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mirrodex {

inline constexpr const char* kDefaultFramebufferDevice = "/dev/fb0";
inline constexpr uint32_t kMaxDpi = 10000;

struct FbCaptureConfig {
  std::string framebuffer = kDefaultFramebufferDevice;
  std::optional<uint32_t> dpi;  // overrides what the device reports
};

// A pixels-per-inch value 1..10000 in decimal; nullopt for anything else.
std::optional<uint32_t> ParseDpi(const char* text);

// The configuration from the environment; nullopt with `error` when MIRRODEX_DPI is set to
// something that is not a resolution.
std::optional<FbCaptureConfig> FbCaptureConfigFromEnvironment(std::string& error);

}  // namespace mirrodex
