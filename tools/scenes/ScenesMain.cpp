// mirrodex-scenes: writes a scene's frames as raw little-endian 16-bit pixels, frame after
// frame, for feeding codecs and viewers outside the test suite.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scenes/SceneGenerator.h"

namespace {

using mirrodex::scenes::SceneKind;

struct Options {
  SceneKind kind = SceneKind::kStatic;
  uint32_t width = 240, height = 320, frames = 1, first = 0;
  uint16_t format = 6;
  uint64_t seed = 1;
  std::string output;
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: mirrodex-scenes --scene NAME [--width W] [--height H] [--format 5|6|7]\n"
               "                       [--frames N] [--first F] [--seed S] OUT.raw|-\n"
               "scenes:");
  for (SceneKind kind : mirrodex::scenes::AllSceneKinds()) {
    std::fprintf(stderr, " %.*s", static_cast<int>(mirrodex::scenes::SceneKindName(kind).size()),
                 mirrodex::scenes::SceneKindName(kind).data());
  }
  std::fprintf(stderr, "\n");
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  bool haveScene = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--")) {
      if (i + 1 >= argc) return std::nullopt;
      const std::string_view value = argv[++i];
      bool ok = true;
      if (arg == "--scene") {
        const auto kind = mirrodex::scenes::ParseSceneKind(value);
        ok = kind.has_value();
        if (ok) o.kind = *kind;
        haveScene = ok;
      } else if (arg == "--width") {
        ok = ParseNumber(value, o.width);
      } else if (arg == "--height") {
        ok = ParseNumber(value, o.height);
      } else if (arg == "--format") {
        ok = ParseNumber(value, o.format);
      } else if (arg == "--frames") {
        ok = ParseNumber(value, o.frames);
      } else if (arg == "--first") {
        ok = ParseNumber(value, o.first);
      } else if (arg == "--seed") {
        ok = ParseNumber(value, o.seed);
      } else {
        ok = false;
      }
      if (!ok) return std::nullopt;
    } else if (o.output.empty()) {
      o.output = arg;
    } else {
      return std::nullopt;
    }
  }
  if (!haveScene || o.output.empty()) return std::nullopt;
  return o;
}

// Turns a frame into little-endian bytes whatever the host's byte order.
void ToLittleEndian(const std::vector<uint16_t>& frame, std::vector<uint8_t>& bytes) {
  bytes.resize(2 * frame.size());
  for (size_t i = 0; i < frame.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(frame[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(frame[i] >> 8);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    PrintUsage();
    return 2;
  }
  const Options& o = *options;
  if (!mirrodex::scenes::SceneGenerator::Supports(o.width, o.height, o.format)) {
    std::fprintf(stderr, "mirrodex-scenes: need 16..4096 pixels each way and format 5, 6 or 7\n");
    return 2;
  }
  const mirrodex::scenes::SceneGenerator scene(o.kind, o.width, o.height, o.format, o.seed);
  const bool toStdout = o.output == "-";
  std::FILE* out = toStdout ? stdout : std::fopen(o.output.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "mirrodex-scenes: cannot open %s: %s\n", o.output.c_str(), std::strerror(errno));
    return 1;
  }
  std::vector<uint8_t> bytes;
  bool ok = true;
  for (uint32_t f = 0; f < o.frames && ok; ++f) {
    ToLittleEndian(scene.Render(o.first + f), bytes);
    ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  }
  ok = (toStdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "mirrodex-scenes: write to %s failed\n", o.output.c_str());
    return 1;
  }
  return 0;
}
