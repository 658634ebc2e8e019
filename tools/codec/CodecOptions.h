// Command line of mirrodex-codec: the subcommand and its options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/MessageCompression.h"

namespace mirrodex::codec {

enum class Command { kEncode, kDecode, kStats };

struct CodecOptions {
  Command command = Command::kEncode;
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t format = 0;
  uint32_t kind = 0;
  bool compress = true;  // false: --compress none
  CompressionParams compression;
  std::string pngPath;  // decode: also write the last picture as PNG
  std::vector<std::string> files;
};

// Parses argv; on a usage error returns nullopt and fills `error`.
std::optional<CodecOptions> ParseCodecOptions(int argc, char** argv, std::string& error);

extern const char* const kCodecUsage;

}  // namespace mirrodex::codec
