// mirrodex-cli: a headless client on the desktop's session code.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/ProfileSettings.h"

using namespace mirrodex::cli;

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "mirrodex-cli: %s: see mirrodex-cli --help\n", error.c_str());
    return kExitUsage;
  }
  if (options->command == "help") {
    std::fputs(kHelpText, stdout);
    return kExitDone;
  }
  mirrodex::SessionConfig config;
  if (!ConfigureProfile(options->profile, config, error)) {
    std::fprintf(stderr, "mirrodex-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->command == "device") return RunDevice(*options, config);
  if (options->command == "record") return RunRecord(*options, config);
  return options->command == "snapshot" ? RunSnapshot(*options, config) : RunWatch(*options, config);
}
