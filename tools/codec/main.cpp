// mirrodex-codec: encodes device frames into recorded screen-session streams, decodes them
// back, and prints per-field statistics.
#include <cstdio>
#include <cstring>

#include "tools/codec/CodecCommands.h"

int main(int argc, char** argv) {
  using namespace mirrodex::codec;
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kCodecUsage, stdout);
    return 0;
  }
  std::string error;
  const auto options = ParseCodecOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "mirrodex-codec: %s\n\n%s", error.c_str(), kCodecUsage);
    return 1;
  }
  switch (options->command) {
    case Command::kEncode:
      return RunEncode(*options);
    case Command::kDecode:
      return RunDecode(*options);
    case Command::kStats:
      return RunStats(*options);
  }
  return 1;
}
