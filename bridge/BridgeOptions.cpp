#include "bridge/BridgeOptions.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace mirrodex::bridge {

std::optional<BridgeOptions> ParseBridgeOptions(int argc, const char* const* argv,
                                                std::string& error) {
  BridgeOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg != "--root" && arg != "--fb" && arg != "--dpi") {
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    }
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
      error = std::string(arg) + " needs a value";
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    if (arg == "--root") {
      options.root = value;
    } else if (arg == "--fb") {
      options.framebuffer = value;
    } else {
      uint32_t dpi = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), dpi);
      if (ec != std::errc() || end != value.data() + value.size() || dpi < 1 || dpi > 10000) {
        error = "--dpi takes a number from 1 to 10000";
        return std::nullopt;
      }
      options.dpi = dpi;
    }
  }
  return options;
}

void ExportToAgentEnvironment(const BridgeOptions& options) {
  if (!options.framebuffer.empty()) ::setenv("MIRRODEX_FBDEV", options.framebuffer.c_str(), 1);
  if (!options.root.empty()) ::setenv("MIRRODEX_ROOT", options.root.c_str(), 1);
  if (options.dpi) ::setenv("MIRRODEX_DPI", std::to_string(*options.dpi).c_str(), 1);
}

}  // namespace mirrodex::bridge
