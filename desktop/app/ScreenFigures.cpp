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

QString ScreenFigures::Take(Clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  const double rate = seconds > 0 ? images_ / seconds : 0;
  const double kbPerSecond = seconds > 0 ? wireBytes_ / 1024.0 / seconds : 0;
  QString text = QStringLiteral("%1 img/s  \u00b7  %2 kB/s").arg(rate, 0, 'f', 1).arg(kbPerSecond, 0, 'f', 1);
  if (paints_ > 0) {
    const double ms = std::chrono::duration<double, std::milli>(latencySum_).count() / paints_;
    text += QStringLiteral("  \u00b7  %1 ms").arg(ms, 0, 'f', 1);
  }
  *this = ScreenFigures{};
  return text;
}

}  // namespace mirrodex::app
