// How long a framebuffer frame takes to reach the encoder's image: row conversion of 24 and
// 32-bit screens to 5-6-5, and a whole capture from a live XWD file (halved past 2048 wide).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "agent/capture/fb/CLinuxScrCap.h"
#include "agent/capture/fb/RowConversion.h"

namespace mirrodex {
namespace {

FramebufferLayout Layout(uint32_t width, uint32_t height, uint32_t bits, PixelChannel red,
                         PixelChannel blue) {
  FramebufferLayout l;
  l.width = width;
  l.height = height;
  l.bitsPerPixel = bits;
  l.lineLength = width * bits / 8;
  l.red = red;
  l.green = {8, 8};
  l.blue = blue;
  std::string error;
  if (!ValidateFramebufferLayout(l, uint64_t{l.lineLength} * height, error)) std::abort();
  return l;
}

std::vector<uint8_t> Noise(size_t bytes) {
  std::vector<uint8_t> out(bytes);
  uint32_t x = 12345;
  for (auto& b : out) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  return out;
}

void ConvertFrame(benchmark::State& state, const FramebufferLayout& layout) {
  const auto src = Noise(size_t{layout.lineLength} * layout.height);
  std::vector<uint16_t> dst(size_t{layout.width} * layout.height);
  const RowConversion convert = RowConversion::For(layout);
  for (auto _ : state) {
    for (uint32_t y = 0; y < layout.height; ++y) {
      convert(src.data() + size_t{y} * layout.lineLength, layout.width,
              dst.data() + size_t{y} * layout.width);
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * layout.width * layout.height);
}

void BM_Xrgb8888To565(benchmark::State& state) {
  ConvertFrame(state, Layout(static_cast<uint32_t>(state.range(0)),
                             static_cast<uint32_t>(state.range(1)), 32, {16, 8}, {0, 8}));
}
void BM_Xbgr8888To565(benchmark::State& state) {
  ConvertFrame(state, Layout(static_cast<uint32_t>(state.range(0)),
                             static_cast<uint32_t>(state.range(1)), 32, {0, 8}, {16, 8}));
}
void BM_Rgb888To565(benchmark::State& state) {
  ConvertFrame(state, Layout(static_cast<uint32_t>(state.range(0)),
                             static_cast<uint32_t>(state.range(1)), 24, {16, 8}, {0, 8}));
}
BENCHMARK(BM_Xrgb8888To565)->Args({800, 480})->Args({1920, 1080});
BENCHMARK(BM_Xbgr8888To565)->Args({800, 480})->Args({1920, 1080});
BENCHMARK(BM_Rgb888To565)->Args({800, 480})->Args({1920, 1080});

// A whole capture of a 32-bit XWD file: header check, conversion and, past 2048, halving.
void BM_CaptureXwd32(benchmark::State& state) {
  const auto width = static_cast<uint32_t>(state.range(0));
  const auto height = static_cast<uint32_t>(state.range(1));
  const uint32_t header[25] = {101, 7,  2,     24,        width, height,   0,      0,    32,
                               0,   32, 32,    width * 4, 4,     0xFF0000, 0xFF00, 0xFF, 8,
                               0,   0,  width, height,    0,     0,        0};
  std::vector<uint8_t> file;
  for (uint32_t v : header) {
    for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<uint8_t>(v >> s));
  }
  file.push_back(0);
  const auto pixels = Noise(size_t{width} * height * 4);
  file.insert(file.end(), pixels.begin(), pixels.end());
  char path[] = "/tmp/mirrodex-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size()))
    std::abort();
  close(fd);
  CLinuxScrCap cap(FbCaptureConfig{path, std::nullopt});
  if (!cap.Initialise()) std::abort();
  for (auto _ : state) {
    if (!cap.Capture()) std::abort();
    benchmark::DoNotOptimize(cap.Encoder().CurrentImage());
  }
  cap.Close();
  unlink(path);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * width * height);
}
BENCHMARK(BM_CaptureXwd32)->Args({800, 480})->Args({1920, 1080})->Args({2560, 1440});

}  // namespace
}  // namespace mirrodex
