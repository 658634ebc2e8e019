// The movie writers per codec at the device sizes: encode time per frame (conversion,
// encoding and writing, one thread) of the ticking UI scene, and the size of a 60-second
// recording (120 frames at the 500 ms capture interval) as a counter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "bench/BenchSupport.h"
#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"
#include "desktop/media/MovCodecTypes.h"
#include "desktop/media/MovieFile.h"
#include "desktop/media/MovieWriterFactory.h"
#include "desktop/media/WmvProfiles.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

constexpr uint32_t kRecordingFrames = 120;  // 60 s

// The scene's frames as the capture hands them to a writer.
std::vector<SnapshotSurface> SceneFrames(uint32_t width, uint32_t height) {
  const scenes::SceneGenerator scene(scenes::SceneKind::kClock, width, height, kBenchFormat,
                                     kBenchSeed);
  std::vector<SnapshotSurface> frames(kRecordingFrames);
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  for (uint32_t i = 0; i < kRecordingFrames; ++i) {
    const std::vector<uint16_t> pixels = scene.Render(i);
    for (size_t p = 0; p < pixels.size(); ++p) {  // RGB565 to R, G, B
      rgb[p * 3] = uint8_t((pixels[p] >> 11) << 3);
      rgb[p * 3 + 1] = uint8_t(((pixels[p] >> 5) & 63) << 2);
      rgb[p * 3 + 2] = uint8_t((pixels[p] & 31) << 3);
    }
    if (!frames[i].Fill(PictureView::Rgb888(rgb.data(), width, height, size_t(width) * 3), 1))
      std::abort();
  }
  return frames;
}

const std::vector<SnapshotSurface>& FramesFor(uint32_t width, uint32_t height) {
  return Cached<std::vector<SnapshotSurface>>(std::to_string(width) + "x" + std::to_string(height),
                                              [&] { return SceneFrames(width, height); });
}

std::filesystem::path OutputPath(const MovieChoice& choice) {
  return std::filesystem::temp_directory_path() /
         ("mirrodex-movie-bench-" + std::to_string(::getpid()) + MovieExtension(choice.type));
}

void Record(benchmark::State& state, MovieChoice choice, uint32_t width, uint32_t height) {
  const auto& frames = FramesFor(width, height);
  const auto path = OutputPath(choice);
  std::unique_ptr<MovieWriter> writer;
  uint32_t index = 0;
  double fileBytes = 0;
  for (auto _ : state) {
    if (!writer || index == kRecordingFrames) {
      if (writer) {
        if (!writer->Close()) std::abort();
        if (fileBytes == 0) fileBytes = double(std::filesystem::file_size(path));
      }
      writer = CreateMovieWriter(choice, path, nullptr);
      index = 0;
    }
    const double seconds = TimeOf([&] {
      if (!writer->AddFrame(frames[index], std::chrono::milliseconds(500 * index))) std::abort();
    });
    state.SetIterationTime(seconds);
    ++index;
  }
  // A run too short for a whole recording finishes one outside the timing.
  if (fileBytes == 0) {
    for (; index < kRecordingFrames; ++index)
      if (!writer->AddFrame(frames[index], std::chrono::milliseconds(500 * index))) std::abort();
    if (!writer->Close()) std::abort();
    fileBytes = double(std::filesystem::file_size(path));
  }
  writer.reset();
  std::filesystem::remove(path);
  state.counters["file_KiB_60s"] = fileBytes / 1024;
}

struct Codec {
  std::string name;
  MovieChoice choice;
};

std::vector<Codec> Codecs() {
  std::vector<Codec> codecs;
  for (const AviCompressor& c : InstalledAviCompressors())
    codecs.push_back({"avi-" + FourCcText(c.handler), {MovieType::kAvi, c.handler, 75, {}}});
  for (uint32_t i = 0; i < WmvProfiles().size(); ++i)
    codecs.push_back({"wmv-profile" + std::to_string(i), {MovieType::kWmv, i, 75, {}}});
  for (const MovCodecType& t : MovCodecTypes())
    if (MovieFile::HasEncoder(t.encoder))
      codecs.push_back(
          {"mov-" + FourCcText(FourCcSwap(t.type)), {MovieType::kMov, t.type, 75, {}}});
  codecs.push_back({"mp4-h264", {MovieType::kMp4, 0, 75, {}}});
  return codecs;
}

[[maybe_unused]] const bool kRegistered = [] {
  av_log_set_level(AV_LOG_ERROR);
  for (const auto& [width, height] : {std::pair{240u, 320u}, std::pair{800u, 480u}}) {
    for (const Codec& codec : Codecs()) {
      const std::string name =
          "MovieFrame/" + codec.name + "/" + std::to_string(width) + "x" + std::to_string(height);
      benchmark::RegisterBenchmark(name.c_str(), Record, codec.choice, width, height)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
}  // namespace mirrodex::bench
