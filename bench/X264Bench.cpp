// The peer: the same scenes through libx264 (lossy), colour conversion included, per image.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSupport.h"
#include "bench/X264Encoder.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

using scenes::SceneKind;

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
  long bytes = 0, result = 0;
  for (auto _ : state) {
    scene.Render(frame++, image.data(), stride);
    state.SetIterationTime(TimeOf([&] { result = encoder.Encode(image.data(), stride); }));
    if (result < 0) {
      state.SkipWithError("libx264 failed to encode");
      break;
    }
    bytes += result;
  }
  state.counters["B_per_image"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

const bool kRegistered = [] {
  RegisterForEverySceneManualTime("X264", X264);
  return true;
}();

}  // namespace
}  // namespace mirrodex::bench
