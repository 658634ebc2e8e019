#include "host/HostOptions.h"

#include <cstdlib>
#include <cstring>

namespace mirrodex {
namespace {

bool ParseNumber(const std::string& text, uint32_t low, uint32_t high, uint32_t& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) {
    return false;
  }
  const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
  if (value < low || value > high) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

std::optional<HostOptions> ParseHostOptions(int argc, const char* const* argv, std::string& error) {
  HostOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // Options that take a value accept it as the next argument or after "=".
    auto value = [&](const char* name, std::string& out) {
      const size_t nameLength = std::strlen(name);
      if (arg.size() > nameLength && arg.compare(0, nameLength, name) == 0 && arg[nameLength] == '=') {
        out = arg.substr(nameLength + 1);
        return true;
      }
      if (arg != name) return false;
      if (i + 1 >= argc) {
        error = std::string(name) + " needs a value";
        out.clear();
        return true;
      }
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg.rfind("-b", 0) == 0) {
      options.desktop = arg.size() > 2 ? arg.substr(2) : (i + 1 < argc ? argv[++i] : "");
      if (options.desktop.empty()) error = "-b needs the desktop's address";
    } else if (value("--fb", options.framebuffer) || value("--root", options.root)) {
    } else if (value("--allow", text)) {
      options.allow.push_back(text);
    } else if (value("--dpi", text)) {
      uint32_t dpi = 0;
      if (error.empty() && !ParseNumber(text, 1, 10000, dpi)) error = "--dpi takes a number from 1 to 10000";
      options.dpi = dpi;
    } else if (value("--retry", text)) {
      if (error.empty() && !ParseNumber(text, 0, 86400, options.retrySeconds)) {
        error = "--retry takes a number of seconds from 0 to 86400";
      }
    } else {
      error = "unknown option \"" + arg + "\"";
    }
    if (!error.empty()) return std::nullopt;
  }
  return options;
}

}  // namespace mirrodex
