// Whole images as the agent sends them: both fields coded and each payload built into a
// zlib level 1 data message, per image. The capture (the scene rendered into the encoder's
// image) is outside the timing, as it is for the peer codec.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "agent/capture/ScreenEncoder.h"
#include "bench/BenchSupport.h"
#include "protocol/MessageCompression.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

using scenes::SceneKind;

class ImageSender {
 public:
  explicit ImageSender(const BenchSize& size) {
    if (!encoder_.Setup(size.width, size.height, kBenchFormat)) std::abort();
    encoder_.StartSession();
    writer_.SetParams({Compressor::kZlib, 1, 9});
  }
  void Capture(const scenes::SceneGenerator& scene, uint32_t frame) {
    scene.Render(frame, encoder_.CurrentImage(), 2 * encoder_.ImageStride());
  }
  // Codes both fields; returns the message bytes sent.
  size_t Send() {
    size_t bytes = 0;
    for (int field = 0; field < 2; ++field) {
      const std::span<const uint8_t> payload = encoder_.EncodeNextField();
      if (payload.empty()) continue;
      if (!writer_.Build(payload, message_)) std::abort();
      bytes += message_.Size();
    }
    return bytes;
  }

 private:
  ScreenEncoder encoder_;
  DataMessageWriter writer_;
  ByteBuffer message_;
};

// Message bytes per image over the byte window, from a fresh session.
double BytesPerImage(const scenes::SceneGenerator& scene, const BenchSize& size) {
  ImageSender sender(size);
  sender.Capture(scene, 0);
  sender.Send();
  size_t bytes = 0;
  for (uint32_t frame = 1; frame <= kBytesWindow; ++frame) {
    sender.Capture(scene, frame);
    bytes += sender.Send();
  }
  return static_cast<double>(bytes) / kBytesWindow;
}

void Image(benchmark::State& state, SceneKind kind, BenchSize size) {
  const scenes::SceneGenerator scene(kind, size.width, size.height, kBenchFormat, kBenchSeed);
  ImageSender sender(size);
  sender.Capture(scene, 0);
  sender.Send();  // the intra image is not part of the steady state
  uint32_t frame = 1;
  for (auto _ : state) {
    sender.Capture(scene, frame++);
    state.SetIterationTime(TimeOf([&] { benchmark::DoNotOptimize(sender.Send()); }));
  }
  state.counters["B_per_image"] =
      Cached<double>(BenchName("Image", kind, size), [&] { return BytesPerImage(scene, size); });
}

const bool kRegistered = [] {
  RegisterForEverySceneManualTime("Image_zlib1", Image);
  return true;
}();

}  // namespace
}  // namespace mirrodex::bench
