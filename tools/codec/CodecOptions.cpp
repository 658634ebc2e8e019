#include "tools/codec/CodecOptions.h"

#include <charconv>
#include <cstring>

namespace mirrodex::codec {

const char* const kCodecUsage =
    "usage:\n"
    "  mirrodex-codec encode --width W --height H --format 5|6|7 --kind 0|1|2|3\n"
    "                        [--compress zlib|bzip2|none] [--level 1-9] IN.raw OUT.stream\n"
    "  mirrodex-codec decode --width W --height H --format 5|6|7|9 [--compress zlib|bzip2]\n"
    "                        [--png LAST.png] IN.stream OUT.raw\n"
    "  mirrodex-codec stats  --width W --height H --format 5|6|7 --kind 0|1|2|3\n"
    "                        [--compress zlib|bzip2|none] [--level 1-9] IN.raw\n"
    "\n"
    "IN.raw: frames of W x H little-endian 16-bit pixels in the device format.\n"
    "OUT.stream: the screen-session messages (8-byte header and body each).\n"
    "OUT.raw: one W x H little-endian RGB555 picture per completed frame.\n";

namespace {

bool ParseNumber(const char* text, uint32_t low, uint32_t high, uint32_t& out) {
  const char* end = text + std::strlen(text);
  uint32_t value = 0;
  const auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return false;
  out = value;
  return true;
}

}  // namespace

std::optional<CodecOptions> ParseCodecOptions(int argc, char** argv, std::string& error) {
  if (argc < 2) {
    error = "missing command";
    return std::nullopt;
  }
  CodecOptions o;
  const std::string command = argv[1];
  if (command == "encode") o.command = Command::kEncode;
  else if (command == "decode") o.command = Command::kDecode;
  else if (command == "stats") o.command = Command::kStats;
  else {
    error = "unknown command '" + command + "'";
    return std::nullopt;
  }
  bool haveKind = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      o.files.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) {
      error = "option " + arg + " needs a value";
      return std::nullopt;
    }
    const char* value = argv[++i];
    uint32_t n = 0;
    bool ok = true;
    if (arg == "--width") ok = ParseNumber(value, 1, 2048, o.width);
    else if (arg == "--height") ok = ParseNumber(value, 1, 2048, o.height);
    else if (arg == "--format") {
      ok = ParseNumber(value, 5, 9, n) && n != 8 && (n != 9 || o.command == Command::kDecode);
      o.format = static_cast<uint16_t>(n);
    } else if (arg == "--kind") {
      ok = ParseNumber(value, 0, 3, o.kind);
      haveKind = ok;
    } else if (arg == "--level") {
      ok = ParseNumber(value, 1, 9, n);
      o.compression.zlibLevel = o.compression.bzip2BlockSize = static_cast<int>(n);
    } else if (arg == "--compress") {
      const std::string c = value;
      o.compress = c != "none";
      ok = c == "zlib" || c == "bzip2" || (c == "none" && o.command != Command::kDecode);
      o.compression.compressor = c == "bzip2" ? Compressor::kBzip2 : Compressor::kZlib;
    } else if (arg == "--png" && o.command == Command::kDecode) {
      o.pngPath = value;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value '" + std::string(value) + "' for " + arg;
      return std::nullopt;
    }
  }
  const size_t wantFiles = o.command == Command::kStats ? 1 : 2;
  if (o.width == 0 || o.height == 0 || o.format == 0) error = "--width, --height and --format are required";
  else if (o.command != Command::kDecode && !haveKind) error = "--kind is required";
  else if (o.files.size() != wantFiles) error = "expected " + std::to_string(wantFiles) + " file name(s)";
  if (!error.empty()) return std::nullopt;
  return o;
}

}  // namespace mirrodex::codec
