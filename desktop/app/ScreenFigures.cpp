#include "desktop/app/ScreenFigures.h"

namespace mirrodex::app {

void ScreenFigures::AddTraffic(uint64_t images, uint64_t wireBytes) {
  images_ += images;
  wireBytes_ += wireBytes;
}

void ScreenFigures::NotePaint(Clock::duration sinceComplete) {
  ++paints_;
  latencySum_ += sinceComplete;
}

Figures ScreenFigures::Take(Clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  Figures figures;
  if (seconds > 0) {
    figures.imagesPerSecond = static_cast<int>(images_ / seconds + 0.5);
    figures.kilobytesPerSecond = static_cast<int>(wireBytes_ / 1024.0 / seconds + 0.5);
  }
  if (paints_ > 0)
    figures.latencyMs = static_cast<int>(std::chrono::duration<double, std::milli>(latencySum_).count() / paints_ + 0.5);
  *this = ScreenFigures{};
  return figures;
}

}  // namespace mirrodex::app
