// The device screen window's work per image: the present step (the frame store's picture
// converted onto the window's surface) and the paint at zoom 1 and 2 into a 32-bit target, as
// the window system's backing store receives it. Sizes: 800 x 480 and 1920 x 1080 halved by
// the agent to 960 x 540. Also the screen thread's copy into the frame store.
// Runs on the offscreen platform; one core.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "desktop/app/DeviceLink.h"
#include "desktop/app/FrameStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"

namespace mirrodex::bench {
namespace {

class IdleLink : public app::DeviceLink {
 public:
  void Listen() override {}
  void Stop() override {}
  bool Wake(const std::string&) override { return true; }
  void SetProfile(const std::string&) override {}
  bool IsConnected() const override { return true; }
  bool BothConnected() const override { return true; }
  DeviceInfo ConnectedInfo() const override { return {}; }
  void QueueKey(uint32_t, bool) override {}
  void QueuePointer(uint32_t, uint32_t, PointerAction) override {}
  bool QueueRequest(uint32_t, std::span<const uint8_t>) override { return true; }
};

app::Frame Picture(uint32_t width, uint32_t height, uint32_t seed) {
  app::Frame frame;
  frame.width = width;
  frame.height = height;
  frame.pixels.resize(size_t{width} * height);
  uint32_t state = seed * 2654435761u + 1;
  for (auto& p : frame.pixels) {
    state = state * 1664525u + 1013904223u;
    p = static_cast<uint16_t>(state >> 17);
  }
  return frame;
}

void PresentAndPaint(benchmark::State& state) {
  const auto width = static_cast<uint32_t>(state.range(0)), height = static_cast<uint32_t>(state.range(1));
  const int zoom = static_cast<int>(state.range(2));
  IdleLink link;
  app::FrameStore frames;
  CDeviceScreenWnd window(link, frames);
  window.SetZoom(zoom);
  const app::Frame pictures[2] = {Picture(width, height, 1), Picture(width, height, 2)};
  frames.Publish(pictures[0]);
  window.Present();
  QImage backing(window.size(), QImage::Format_ARGB32_Premultiplied);
  uint32_t i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    frames.Publish(pictures[++i & 1]);
    state.ResumeTiming();
    window.Present();
    QPainter painter(&backing);
    window.render(&painter);
    painter.end();
    benchmark::DoNotOptimize(backing.constBits());
  }
  state.SetItemsProcessed(state.iterations());
}

void StoreCopy(benchmark::State& state) {
  const auto width = static_cast<uint32_t>(state.range(0)), height = static_cast<uint32_t>(state.range(1));
  app::FrameStore frames;
  const app::Frame picture = Picture(width, height, 3);
  for (auto _ : state) {
    app::Frame copy = picture;  // what the screen thread's copy out of the decoder costs
    frames.Publish(std::move(copy));
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(PresentAndPaint)
    ->ArgNames({"w", "h", "zoom"})
    ->Args({800, 480, 1})
    ->Args({800, 480, 2})
    ->Args({960, 540, 1})
    ->Args({960, 540, 2})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StoreCopy)->ArgNames({"w", "h"})->Args({800, 480})->Args({960, 540})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mirrodex::bench

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
