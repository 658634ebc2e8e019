// The command line of mirrodex-bridge:
//   mirrodex-bridge [--root DIR] [--fb PATH] [--dpi N]
// Each option, when given, is handed to the agent through the environment it reads
// (MIRRODEX_ROOT, MIRRODEX_FBDEV, MIRRODEX_DPI); without it the agent keeps what the bridge
// inherited.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mirrodex::bridge {

struct BridgeOptions {
  std::string root;             // --root
  std::string framebuffer;      // --fb
  std::optional<uint32_t> dpi;  // --dpi
  bool help = false;
};

inline constexpr const char* kBridgeUsage =
    "usage: mirrodex-bridge [--root DIR] [--fb PATH] [--dpi N]\n"
    "The device end of the link to the desktop program, on its standard input and output.\n"
    "  --root DIR  folder the desktop may browse and copy to (default your home folder)\n"
    "  --fb PATH   framebuffer device or XWD file to capture (default /dev/fb0, then X11)\n"
    "  --dpi N     pixels per inch of the screen\n";

std::optional<BridgeOptions> ParseBridgeOptions(int argc, const char* const* argv,
                                                std::string& error);
// Sets the agent's environment from the options that were given.
void ExportToAgentEnvironment(const BridgeOptions& options);

}  // namespace mirrodex::bridge
