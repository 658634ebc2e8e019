// mirrodex-host: runs the device agent and connects it to a desktop.
#include <cstdio>
#include <string>

#include "host/HostOptions.h"
#include "host/MirrodexHost.h"

int main(int argc, char** argv) {
  std::string error;
  auto options = mirrodex::ParseHostOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "mirrodex-host: %s\n%s", error.c_str(), mirrodex::kHostUsage);
    return 2;
  }
  if (options->help) {
    std::fputs(mirrodex::kHostUsage, stdout);
    return 0;
  }
  return mirrodex::MirrodexHost(std::move(*options)).Run();
}
