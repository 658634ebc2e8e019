#include "cli/CliOptions.h"

#include <charconv>

namespace mirrodex::cli {

const char* const kHelpText =
    "Usage: mirrodex-cli [--profile NAME] [--wake HOST | --bridge] [--timeout S] COMMAND [ARGS]\n"
    "\n"
    "Listens on TCP ports 3937 and 3938 like the desktop program and waits for a device's\n"
    "agent to connect (after sending the wake-up to HOST port 3950 when --wake is given).\n"
    "With --bridge it opens no port: it runs the link command in MIRRODEX_LINK (for example\n"
    "'ssh user@device mirrodex-bridge'; by default the local mirrodex-bridge) and starts the\n"
    "agent through it.\n"
    "\n"
    "Commands:\n"
    "  snapshot OUT.bmp|OUT.jpg [--quality Q]\n"
    "                 write the first complete picture as a 24-bit BMP or a JPEG\n"
    "                 (quality 1..100, default 75) and exit\n"
    "  record OUT.avi|OUT.wmv|OUT.mov|OUT.mp4 [--codec FOURCC|--profile N] [--quality Q]\n"
    "         [--seconds S]\n"
    "                 record the device's picture every 500 ms into a movie until S seconds\n"
    "                 have passed or Ctrl+C; the file is finished and plays however the\n"
    "                 recording ends. AVI: --codec CVID, MP42, XVID or DIVX (default the first\n"
    "                 installed); WMV: --profile N, a system profile (default 0); MOV: --codec\n"
    "                 raw_, cvid, jpeg, mjpa, h261, h263, tga_, png_, tiff or mp4v (default\n"
    "                 raw_); MP4: H.264. --quality 5..100 (default 75) for AVI, MOV and MP4\n"
    "  watch          print fields/s, images/s, bytes/s and the compression ratio every\n"
    "                 second until interrupted (Ctrl+C)\n"
    "\n"
    "Device commands (several may follow each other, separated by --, in one connection;\n"
    "device paths use backslashes under the device's file root \"\\\"):\n"
    "  ls [PATH]              list a device folder (default the root)\n"
    "  pull DEVICE LOCAL      copy a device file to this computer\n"
    "  push LOCAL DEVICE      copy a file to the device (DEVICE ending in \\ is a folder)\n"
    "  rm PATH | mkdir PATH | rmdir PATH\n"
    "                         delete a file, create or remove a folder on the device\n"
    "  mv FROM TO | cp FROM TO\n"
    "                         rename or copy (overwriting) on the device\n"
    "  exists PATH            print yes or no; exit code 6 when it does not exist\n"
    "  ps                     list the device's processes\n"
    "  kill PID | activate PID\n"
    "                         end a process (waits until it is gone) or bring it to the front\n"
    "  clip get | clip set TEXT\n"
    "                         print or set the device clipboard's text\n"
    "  status                 print memory load, store and battery levels\n"
    "  tap X Y | press X Y | move X Y | release X Y\n"
    "                         pointer input at device pixel X, Y\n"
    "  key VK                 press and release a virtual key (code 1..255)\n"
    "  text STRING            type STRING\n"
    "  pause                  pause or resume the device's screen updates\n"
    "  Input and pause finish once the device has carried them out.\n"
    "\n"
    "Options:\n"
    "  --profile NAME connection profile whose screen settings are sent to the agent\n"
    "                 (default: the desktop program's current profile)\n"
    "  --wake HOST    wake the agent on HOST (address or name) before waiting\n"
    "  --bridge       reach the device through the link command instead of TCP\n"
    "  --timeout S    seconds to wait for the device (default 30)\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  usage error\n"
    "  2  no device connected within the timeout\n"
    "  3  network error (port 3937 or 3938 in use, wake-up refused, the bridge's link failed)\n"
    "  4  the device failed or closed the connection\n"
    "  5  local file error\n"
    "  6  the device refused the request (no such file or folder, a path it does not\n"
    "     allow, a process that does not exist)\n";

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

struct DeviceCommandForm {
  const char* name;
  size_t minArgs;
  size_t maxArgs;
  const char* usage;
};

constexpr DeviceCommandForm kDeviceCommands[] = {
    {"ls", 0, 1, "ls [PATH]"},
    {"pull", 2, 2, "pull DEVICE LOCAL"},
    {"push", 2, 2, "push LOCAL DEVICE"},
    {"rm", 1, 1, "rm PATH"},
    {"mkdir", 1, 1, "mkdir PATH"},
    {"rmdir", 1, 1, "rmdir PATH"},
    {"mv", 2, 2, "mv FROM TO"},
    {"cp", 2, 2, "cp FROM TO"},
    {"exists", 1, 1, "exists PATH"},
    {"ps", 0, 0, "ps"},
    {"kill", 1, 1, "kill PID"},
    {"activate", 1, 1, "activate PID"},
    {"clip", 1, 2, "clip get | clip set TEXT"},
    {"status", 0, 0, "status"},
    {"tap", 2, 2, "tap X Y"},
    {"press", 2, 2, "press X Y"},
    {"move", 2, 2, "move X Y"},
    {"release", 2, 2, "release X Y"},
    {"key", 1, 1, "key VK"},
    {"text", 1, 1, "text STRING"},
    {"pause", 0, 0, "pause"},
};

const DeviceCommandForm* FindDeviceCommand(const std::string& name) {
  for (const auto& form : kDeviceCommands) {
    if (name == form.name) return &form;
  }
  return nullptr;
}

// Checks the numbers a command takes; the commands themselves trust them.
bool CheckDeviceArgs(const DeviceCommand& command, const DeviceCommandForm& form, std::string& error) {
  const auto& args = command.args;
  if (args.size() < form.minArgs || args.size() > form.maxArgs) {
    error = std::string("usage: ") + form.usage;
    return false;
  }
  int value = 0;
  if (command.name == "clip") {
    const bool ok = (args[0] == "get" && args.size() == 1) || (args[0] == "set" && args.size() == 2);
    if (!ok) error = std::string("usage: ") + form.usage;
    return ok;
  }
  if (command.name == "tap" || command.name == "press" || command.name == "move" || command.name == "release") {
    if (!ParseInt(args[0], 0, 4095, value) || !ParseInt(args[1], 0, 4095, value)) {
      error = command.name + " takes device pixel coordinates from 0 to 4095";
      return false;
    }
  } else if (command.name == "key" && !ParseInt(args[0], 1, 255, value)) {
    error = "key takes a virtual key code from 1 to 255";
    return false;
  } else if ((command.name == "kill" || command.name == "activate") &&
             (args[0].empty() || args[0].size() > 10 || args[0].find_first_not_of("0123456789") != std::string::npos ||
              std::stoull(args[0]) > 0xFFFFFFFFull)) {
    error = command.name + " takes a process id";
    return false;
  } else if (command.name == "text" && args[0].empty()) {
    error = "text needs a string to type";
    return false;
  }
  return true;
}

// Device commands from `first` on: each a name and its arguments, separated by "--".
bool ParseDeviceCommands(const std::vector<std::string>& args, size_t first, CliOptions& options,
                         std::string& error) {
  options.command = "device";
  DeviceCommand current;
  const auto finish = [&]() {
    const DeviceCommandForm* form = FindDeviceCommand(current.name);
    if (!form) {
      error = current.name.empty() ? "an empty command between --" : "unknown command " + current.name;
      return false;
    }
    if (!CheckDeviceArgs(current, *form, error)) return false;
    options.deviceCommands.push_back(std::move(current));
    current = {};
    return true;
  };
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i] == "--") {
      if (!finish()) return false;
    } else if (current.name.empty()) {
      current.name = args[i];
    } else {
      current.args.push_back(args[i]);
    }
  }
  return finish();
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
    if (!positional.empty() && positional[0] == "record" && IsRecordOption(arg)) {
      if (!value(text) || !ParseRecordOption(arg, text, options.record, error)) return std::nullopt;
    } else if (arg == "--help" || arg == "-h") {
      options.command = "help";
      return options;
    } else if (arg == "--profile" || arg == "--wake") {
      if (!value(text)) return std::nullopt;
      (arg == "--profile" ? options.profile : options.wakeHost) = text;
      if (options.bridge && options.wakeHost) {
        error = "--wake and --bridge exclude each other";
        return std::nullopt;
      }
    } else if (arg == "--bridge") {
      options.bridge = true;
      if (options.wakeHost) {
        error = "--wake and --bridge exclude each other";
        return std::nullopt;
      }
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
    } else if (positional.empty() && FindDeviceCommand(arg)) {
      // Everything after a device command belongs to the commands.
      if (options.quality || !ParseDeviceCommands(args, i, options, error)) {
        if (error.empty()) error = "--quality belongs to snapshot";
        return std::nullopt;
      }
      return options;
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
  } else if (options.command == "record") {
    MovieChoice choice;
    if (positional.size() != 2 || !ChooseMovie(positional[1], options.record, options.quality, choice, error)) {
      if (error.empty()) error = "record needs one output file ending in .avi, .wmv, .mov or .mp4";
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
