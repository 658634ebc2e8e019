// mirrodex-bridge: the device end of the link, on its standard input and output.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "agent/AgentConfig.h"
#include "bridge/BridgeOptions.h"
#include "bridge/BridgeServer.h"
#include "host/AgentLibrary.h"

int main(int argc, char** argv) {
  using namespace mirrodex;
  std::string error;
  const auto options = bridge::ParseBridgeOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "mirrodex-bridge: %s\n%s", error.c_str(), bridge::kBridgeUsage);
    return 1;
  }
  if (options->help) {
    std::fputs(bridge::kBridgeUsage, stdout);
    return 0;
  }
  // A desktop that has gone is a failed write, not a signal.
  ::signal(SIGPIPE, SIG_IGN);
  bridge::ExportToAgentEnvironment(*options);
  const std::string root = AgentConfig::FromEnvironment().root;

  // The link keeps the original descriptors (closed in every program started from here);
  // anything else that writes to standard output goes to standard error instead.
  const int linkIn = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  const int linkOut = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (linkIn < 0 || linkOut < 0 || null < 0) {
    std::perror("mirrodex-bridge");
    return 1;
  }
  ::dup2(null, STDIN_FILENO);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  ::close(null);

  bridge::BridgeServer server(linkIn, linkOut, root, ProgramFolder());
  const std::string reason = server.Run();
  if (reason != "the other end closed the link")
    std::fprintf(stderr, "mirrodex-bridge: %s\n", reason.c_str());
  return 0;
}
