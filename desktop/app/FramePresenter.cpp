#include "desktop/app/FramePresenter.h"

#include <algorithm>
#include <memory>

namespace mirrodex::app {
namespace {

const uint32_t* Rgb555Table() {
  static const std::unique_ptr<uint32_t[]> table = [] {
    auto t = std::make_unique<uint32_t[]>(32768);
    for (uint32_t v = 0; v < 32768; ++v) {
      const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      t[v] = 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
    }
    return t;
  }();
  return table.get();
}

void StraightCopy(const Frame& frame, QImage& surface, const uint32_t* table) {
  const uint16_t* src = frame.pixels.data();
  for (uint32_t y = 0; y < frame.height; ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(surface.scanLine(static_cast<int>(y)));
    for (uint32_t x = 0; x < frame.width; ++x) dst[x] = table[src[x] & 0x7FFF];
    src += frame.width;
  }
}

void ReorientedCopy(const Frame& frame, QImage& surface, const uint32_t* table, int64_t base) {
  const int64_t px = frame.xPitch >> 1, py = frame.yPitch >> 1;
  const uint16_t* src = frame.pixels.data();
  const int64_t w = frame.width, h = frame.height;
  for (int64_t r = 0; r < h; ++r) {
    auto* dst = reinterpret_cast<uint32_t*>(surface.scanLine(static_cast<int>(r)));
    const int64_t rowStart = base + (h - 1 - r) * py;
    for (int64_t c = w - 1; c >= 0; --c) dst[c] = table[src[rowStart + (w - 1 - c) * px] & 0x7FFF];
  }
}

}  // namespace

uint32_t SurfacePixel(uint16_t rgb555) { return Rgb555Table()[rgb555 & 0x7FFF]; }

bool ReorientFits(uint32_t width, uint32_t height, int16_t xPitch, int16_t yPitch, int64_t& base) {
  if (width == 0 || height == 0) return false;
  const int64_t px = xPitch >> 1, py = yPitch >> 1;
  const int64_t spanX = (int64_t{width} - 1) * px, spanY = (int64_t{height} - 1) * py;
  base = -std::min<int64_t>(0, spanX) - std::min<int64_t>(0, spanY);
  const int64_t highest = base + std::max<int64_t>(0, spanX) + std::max<int64_t>(0, spanY);
  return highest < int64_t{width} * height;
}

bool PresentFrame(const Frame& frame, QImage& surface) {
  if (frame.width == 0 || frame.height == 0 ||
      frame.pixels.size() < size_t{frame.width} * frame.height)
    return false;
  const QSize size(static_cast<int>(frame.width), static_cast<int>(frame.height));
  if (surface.size() != size || surface.format() != kSurfaceFormat) {
    surface = QImage(size, kSurfaceFormat);
    if (surface.isNull()) return false;
  }
  const uint32_t* table = Rgb555Table();
  int64_t base = 0;
  if (frame.reoriented && ReorientFits(frame.width, frame.height, frame.xPitch, frame.yPitch, base))
    ReorientedCopy(frame, surface, table, base);
  else
    StraightCopy(frame, surface, table);
  return true;
}

}  // namespace mirrodex::app
