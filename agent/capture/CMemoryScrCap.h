// The in-memory twin of a capture backend: a screen made of a pixel buffer that tests and
// tools draw into. Thread: Draw may be called from any thread; Capture copies under a lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "agent/capture/CScreenCap.h"

namespace mirrodex {

class CMemoryScrCap final : public CScreenCap {
 public:
  CMemoryScrCap(uint32_t width, uint32_t height, uint16_t colourFormat);

  [[nodiscard]] bool Initialise() override;
  [[nodiscard]] bool Capture() override;
  void Close() override {}

  // Replaces the screen contents (width * height pixels, packed rows).
  void SetPixels(const std::vector<uint16_t>& pixels);
  void SetPixel(uint32_t x, uint32_t y, uint16_t value);
  std::vector<uint16_t> Pixels() const;

 private:
  mutable std::mutex mutex_;
  uint32_t width_, height_;
  uint16_t format_;
  std::vector<uint16_t> pixels_;
};

}  // namespace mirrodex
