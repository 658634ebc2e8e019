// The peer: the same scenes through libx264 (lossy), colour conversion included, per image.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSupport.h"
#include "bench/X264Encoder.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

using scenes::SceneKind;

struct PeerBytes {
  double perImage = 0;           // key frames included
  double perPredictedImage = 0;  // key frames left out
};

// The peer's bytes over the byte window, from a fresh encoder; an empty result on failure.
PeerBytes MeasureBytes(const scenes::SceneGenerator& scene, const BenchSize& size) {
  X264Encoder encoder;
  if (!encoder.Open(size.width, size.height, kBenchFormat)) return {};
  std::vector<uint16_t> image(static_cast<size_t>(size.width) * size.height);
  const size_t stride = 2 * static_cast<size_t>(size.width);
  long all = 0, predicted = 0, predictedImages = 0;
  for (uint32_t frame = 0; frame <= kBytesWindow; ++frame) {
    scene.Render(frame, image.data(), stride);
    const long bytes = encoder.Encode(image.data(), stride);
    if (bytes < 0) return {};
    if (frame == 0) continue;
    all += bytes;
    if (!encoder.LastWasKey()) {
      predicted += bytes;
      ++predictedImages;
    }
  }
  return {static_cast<double>(all) / kBytesWindow,
          predictedImages > 0 ? static_cast<double>(predicted) / static_cast<double>(predictedImages) : 0};
}

void X264(benchmark::State& state, SceneKind kind, BenchSize size) {
  const scenes::SceneGenerator scene(kind, size.width, size.height, kBenchFormat, kBenchSeed);
  X264Encoder encoder;
  if (!encoder.Open(size.width, size.height, kBenchFormat)) {
    state.SkipWithError(encoder.Error().c_str());
    return;
  }
  std::vector<uint16_t> image(static_cast<size_t>(size.width) * size.height);
  const size_t stride = 2 * static_cast<size_t>(size.width);
  scene.Render(0, image.data(), stride);
  encoder.Encode(image.data(), stride);  // the first, intra image is not part of the steady state
  uint32_t frame = 1;
  long result = 0;
  for (auto _ : state) {
    scene.Render(frame++, image.data(), stride);
    state.SetIterationTime(TimeOf([&] { result = encoder.Encode(image.data(), stride); }));
    if (result < 0) {
      state.SkipWithError("libx264 failed to encode");
      return;
    }
  }
  const PeerBytes& bytes =
      Cached<PeerBytes>(BenchName("X264", kind, size), [&] { return MeasureBytes(scene, size); });
  state.counters["B_per_image"] = bytes.perImage;
  state.counters["B_per_P_image"] = bytes.perPredictedImage;
}

const bool kRegistered = [] {
  RegisterForEverySceneManualTime("X264", X264);
  return true;
}();

}  // namespace
}  // namespace mirrodex::bench
