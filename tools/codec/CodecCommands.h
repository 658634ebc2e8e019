// The three subcommands of mirrodex-codec. Each returns the process exit code and prints its
// own errors.
#pragma once

#include "tools/codec/CodecOptions.h"

namespace mirrodex::codec {

int RunEncode(const CodecOptions& options);
int RunStats(const CodecOptions& options);
int RunDecode(const CodecOptions& options);

}  // namespace mirrodex::codec
