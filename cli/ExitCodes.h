// mirrodex-cli's exit codes (listed in --help).
#pragma once

namespace mirrodex::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitUsage = 1,
  kExitNoDevice = 2,
  kExitNetwork = 3,
  kExitDevice = 4,
  kExitFile = 5,
  kExitRefused = 6,  // the device answered no
};

}  // namespace mirrodex::cli
