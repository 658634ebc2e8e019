// CeCreateProcess on the device: only the host program (under any of the four names the
// desktop tries) and the remover are started, from the bridge's own folder, with the command
// line as given, detached from the bridge (its own session, standard input and output on
// /dev/null, nothing of the link inherited).
//   "Mirrodex.exe", "\Windows\Mirrodex.exe", "\IPSM\Windows\Mirrodex.exe",
//   "\Storage\\Windows\Mirrodex.exe"  ->  mirrodex-host
//   "unload.exe"                       ->  mirrodex-unload
// Thread: the bridge's call thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirrodex::bridge {

class ProcessLauncher {
 public:
  explicit ProcessLauncher(std::string folder) : folder_(std::move(folder)) {}

  // The program file an application name maps to; nullopt for any other name.
  std::optional<std::string> ProgramFor(const std::string& applicationName) const;
  // The command line's words: split at blanks, double quotes group words.
  static std::vector<std::string> SplitCommandLine(const std::string& commandLine);
  // Starts the program; its process id, or 0 with `error` (a Windows error code).
  uint32_t Start(const std::string& applicationName, const std::string& commandLine,
                 uint32_t& error) const;

 private:
  std::string folder_;
};

}  // namespace mirrodex::bridge
