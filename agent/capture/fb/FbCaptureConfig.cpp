#include "agent/capture/fb/FbCaptureConfig.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace mirrodex {

std::optional<uint32_t> ParseDpi(const char* text) {
  if (text == nullptr) return std::nullopt;
  const char* end = text + std::strlen(text);
  uint32_t value = 0;
  const auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end || value == 0 || value > kMaxDpi) return std::nullopt;
  return value;
}

std::optional<FbCaptureConfig> FbCaptureConfigFromEnvironment(std::string& error) {
  FbCaptureConfig config;
  if (const char* device = std::getenv("MIRRODEX_FBDEV"); device != nullptr && *device != '\0') {
    config.framebuffer = device;
  }
  if (const char* dpi = std::getenv("MIRRODEX_DPI"); dpi != nullptr && *dpi != '\0') {
    config.dpi = ParseDpi(dpi);
    if (!config.dpi) {
      error = std::string("MIRRODEX_DPI=") + dpi +
              " is not a resolution; give pixels per inch from 1 to " + std::to_string(kMaxDpi);
      return std::nullopt;
    }
  }
  return config;
}

}  // namespace mirrodex
