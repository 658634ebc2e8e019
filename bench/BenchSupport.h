// What every codec benchmark shares: the screen sizes, the device colour format, names and
// a stopwatch for benchmarks that time only part of each iteration.
#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "tools/scenes/SceneKind.h"

namespace mirrodex::bench {

struct BenchSize {
  uint32_t width, height;
  uint32_t frames;  // frames after the first one in a recorded sequence
};

inline constexpr std::array<BenchSize, 4> kBenchSizes = {{
    {240, 320, 48},
    {480, 640, 32},
    {800, 480, 32},
    {1920, 1080, 16},
}};

inline constexpr uint16_t kBenchFormat = 6;  // RGB565, the commonest device format
inline constexpr uint64_t kBenchSeed = 1;
// Bytes per image are averaged over frames 1..kBytesWindow: one key-frame interval of the
// peer codec (its default), so its periodic key frame counts once, as in a long session.
inline constexpr uint32_t kBytesWindow = 250;

inline std::string BenchName(const char* what, scenes::SceneKind kind, const BenchSize& size) {
  return std::string(what) + "/" + std::string(scenes::SceneKindName(kind)) + "/" +
         std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Seconds spent in f().
template <typename F>
double TimeOf(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// compute() once per key for the whole run: deterministic counters that cost seconds.
template <typename T, typename F>
const T& Cached(const std::string& key, F compute) {
  static std::map<std::string, T> cache;
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, compute()).first;
  return it->second;
}

// Registers fn(state, kind, size) as "what/scene/size" for every scene and size; fn times
// its own iterations (SetIterationTime).
template <typename Fn>
void RegisterForEverySceneManualTime(const char* what, Fn fn) {
  for (const BenchSize& size : kBenchSizes) {
    for (scenes::SceneKind kind : scenes::AllSceneKinds()) {
      benchmark::RegisterBenchmark(BenchName(what, kind, size).c_str(), fn, kind, size)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace mirrodex::bench
