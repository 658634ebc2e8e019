// The live figures of the status bar: images per second, kilobytes per second on the wire,
// and the time from a picture's completion on the screen thread to its paint, averaged over
// the last second.
// Threads: the user-interface thread. A value type.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>

namespace mirrodex::app {

class ScreenFigures {
 public:
  using Clock = std::chrono::steady_clock;

  void AddTraffic(uint64_t images, uint64_t wireBytes);
  void NotePaint(Clock::duration sinceComplete);
  // The text for the period since the last Take, `elapsed` long; starts a new period.
  QString Take(Clock::duration elapsed);

 private:
  uint64_t images_ = 0;
  uint64_t wireBytes_ = 0;
  uint64_t paints_ = 0;
  Clock::duration latencySum_{};
};

}  // namespace mirrodex::app
