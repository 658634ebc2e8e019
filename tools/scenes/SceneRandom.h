// A small seeded generator (SplitMix64): the same seed gives the same scene on every machine.
#pragma once

#include <cstdint>

namespace mirrodex::scenes {

class SceneRandom {
 public:
  explicit SceneRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in 0..n-1 (n > 0); the tiny modulo bias does not matter for pictures.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  // Uniform in lo..hi inclusive.
  int Between(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1))); }
  bool Chance(uint32_t percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

}  // namespace mirrodex::scenes
