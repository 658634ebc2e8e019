// The live figures of the status bar: images per second, kilobytes per second on the wire,
// and the time from a picture's completion on the screen thread to its paint, averaged over
// the last second.
// Threads: the user-interface thread. A value type.
#pragma once

#include <chrono>
#include <cstdint>

namespace mirrodex::app {

// One second's figures, rounded to whole numbers; latencyMs is -1 when nothing was painted.
struct Figures {
  int imagesPerSecond = 0;
  int kilobytesPerSecond = 0;
  int latencyMs = -1;
};

class ScreenFigures {
 public:
  using Clock = std::chrono::steady_clock;

  void AddTraffic(uint64_t images, uint64_t wireBytes);
  void NotePaint(Clock::duration sinceComplete);
  // The figures of the period since the last Take, `elapsed` long; starts a new period.
  Figures Take(Clock::duration elapsed);

 private:
  uint64_t images_ = 0;
  uint64_t wireBytes_ = 0;
  uint64_t paints_ = 0;
  Clock::duration latencySum_{};
};

}  // namespace mirrodex::app
