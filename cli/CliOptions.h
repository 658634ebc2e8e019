// The command line of mirrodex-cli: common options, then a command and its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/RecordOptions.h"

namespace mirrodex::cli {

// One device command and its arguments, as given.
struct DeviceCommand {
  std::string name;
  std::vector<std::string> args;
};

struct CliOptions {
  std::optional<std::string> profile;  // --profile NAME
  std::optional<std::string> wakeHost;  // --wake HOST
  int timeoutSeconds = 30;              // --timeout S
  bool bridge = false;                  // --bridge: over the link command, not TCP
  std::string command;                  // "snapshot", "watch", "device" or "help"
  std::string output;                   // snapshot: OUT.bmp or OUT.jpg; record: the movie
  std::optional<int> quality;           // snapshot: --quality Q
  RecordOptions record;                 // record: its options
  std::vector<DeviceCommand> deviceCommands;  // "device": run in order in one connection
};

// Parses `args` (without the program name). On a usage error returns nullopt and sets `error`.
std::optional<CliOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

extern const char* const kHelpText;

}  // namespace mirrodex::cli
