#include "agent/AgentConfig.h"

#include <cstdlib>

#include "agent/session/AgentLog.h"

namespace mirrodex {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A decimal number in [low, high]; the fallback (with a message) for anything else.
uint32_t Number(const char* name, uint32_t low, uint32_t high, uint32_t fallback) {
  const std::string text = Variable(name);
  if (text.empty()) return fallback;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value < low || value > high) {
    AgentLog("%s=\"%s\" is not a number from %u to %u; using %u", name, text.c_str(), low, high,
             fallback);
    return fallback;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

AgentConfig AgentConfig::FromEnvironment() {
  AgentConfig config;
  config.fbdev = Variable("MIRRODEX_FBDEV");
  config.root = Variable("MIRRODEX_ROOT");
  if (config.root.empty()) config.root = Variable("HOME");
  config.dpi = Number("MIRRODEX_DPI", 1, 10000, 0);
  config.platform = static_cast<uint8_t>(Number("MIRRODEX_PLATFORM", 1, 255, 2));
  config.display = Variable("DISPLAY");
  return config;
}

}  // namespace mirrodex
