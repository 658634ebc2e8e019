#include "cli/CliOptions.h"

#include <charconv>

namespace mirrodex::cli {

const char* const kHelpText =
    "Usage: mirrodex-cli [--profile NAME] [--wake HOST] [--timeout S] COMMAND [ARGS]\n"
    "\n"
    "Listens on TCP ports 3937 and 3938 like the desktop program and waits for a device's\n"
    "agent to connect (after sending the wake-up to HOST port 3950 when --wake is given).\n"
    "\n"
    "Commands:\n"
    "  snapshot OUT.bmp|OUT.jpg [--quality Q]\n"
    "                 write the first complete picture as a 24-bit BMP or a JPEG\n"
    "                 (quality 1..100, default 75) and exit\n"
    "  watch          print fields/s, images/s, bytes/s and the compression ratio every\n"
    "                 second until interrupted (Ctrl+C)\n"
    "\n"
    "Options:\n"
    "  --profile NAME connection profile whose screen settings are sent to the agent\n"
    "                 (default: the desktop program's current profile)\n"
    "  --wake HOST    wake the agent on HOST (address or name) before waiting\n"
    "  --timeout S    seconds to wait for the device (default 30)\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  usage error\n"
    "  2  no device connected within the timeout\n"
    "  3  network error (port 3937 or 3938 in use, wake-up refused)\n"
    "  4  the device failed or closed the connection\n"
    "  5  local file error\n";

namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

bool HasImageExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".bmp" || ext == ".jpg" || ext == ".jpeg";
}

}  // namespace

std::optional<CliOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  CliOptions options;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      options.command = "help";
      return options;
    } else if (arg == "--profile" || arg == "--wake") {
      if (!value(text)) return std::nullopt;
      (arg == "--profile" ? options.profile : options.wakeHost) = text;
    } else if (arg == "--timeout") {
      if (!value(text) || !ParseInt(text, 1, 86400, options.timeoutSeconds)) {
        if (error.empty()) error = "--timeout takes a number of seconds from 1 to 86400";
        return std::nullopt;
      }
    } else if (arg == "--quality") {
      int quality = 0;
      if (!value(text) || !ParseInt(text, 1, 100, quality)) {
        if (error.empty()) error = "--quality takes a number from 1 to 100";
        return std::nullopt;
      }
      options.quality = quality;
    } else if (arg.starts_with("--")) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  options.command = positional[0];
  if (options.command == "snapshot") {
    if (positional.size() != 2 || !HasImageExtension(positional[1])) {
      error = "snapshot needs one output file ending in .bmp, .jpg or .jpeg";
      return std::nullopt;
    }
    options.output = positional[1];
  } else if (options.command == "watch") {
    if (positional.size() != 1 || options.quality) {
      error = "watch takes no arguments";
      return std::nullopt;
    }
  } else {
    error = "unknown command " + options.command;
    return std::nullopt;
  }
  return options;
}

}  // namespace mirrodex::cli
