// The agent's configuration. The exports take no options, so it comes from the environment,
// which the host (or the bridge) sets before it loads the library.
#pragma once

#include <cstdint>
#include <string>

namespace mirrodex {

struct AgentConfig {
  std::string fbdev;    // MIRRODEX_FBDEV: framebuffer device or XWD file; empty = probe
  std::string root;     // MIRRODEX_ROOT: file root; empty = the user's home folder
  uint32_t dpi = 0;     // MIRRODEX_DPI: pixels per inch; 0 = ask the display
  uint8_t platform = 2; // MIRRODEX_PLATFORM: the platform code reported to the desktop
  std::string display;  // DISPLAY

  // Reads the variables; a malformed number is reported and its default kept.
  static AgentConfig FromEnvironment();
};

}  // namespace mirrodex
