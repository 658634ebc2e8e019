// Deterministic device-screen scenes for codec tests and benchmarks: the same kind, size,
// format and seed always give the same frames, and any frame can be rendered on its own.
// Construction paints the static parts (tens of milliseconds at full HD); Render is a copy
// plus the frame's changes. Render is const and may run on several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/scenes/GlyphSet.h"
#include "tools/scenes/SceneKind.h"
#include "tools/scenes/UiPainter.h"

namespace mirrodex::scenes {

class SceneGenerator {
 public:
  static constexpr uint32_t kMinDimension = 16;
  static constexpr uint32_t kMaxDimension = 4096;
  static constexpr int kBoxSize = 64;

  // True for 16..4096 pixels each way and the formats 5, 6 and 7.
  static bool Supports(uint32_t width, uint32_t height, uint16_t format);

  // Throws std::invalid_argument when !Supports(width, height, format).
  SceneGenerator(SceneKind kind, uint32_t width, uint32_t height, uint16_t format, uint64_t seed = 1);

  // Writes frame `frameIndex` into `pixels`, `strideBytes` per row (even, at least
  // 2 * width); only width x height pixels are written. Throws std::invalid_argument for a
  // bad stride.
  void Render(uint32_t frameIndex, uint16_t* pixels, size_t strideBytes) const;
  // The frame as packed rows of Width() pixels.
  std::vector<uint16_t> Render(uint32_t frameIndex) const;

  SceneKind Kind() const { return kind_; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  uint16_t Format() const { return format_; }

 private:
  void RenderScreen(uint32_t frameIndex, uint16_t* pixels, size_t stride) const;
  void RenderScroll(uint32_t frameIndex, uint16_t* pixels, size_t stride) const;
  void RenderPhoto(uint32_t frameIndex, uint16_t* pixels, size_t stride) const;
  void DrawClockAndCaret(const Canvas& canvas, uint32_t frameIndex) const;
  void DrawBox(uint16_t* pixels, size_t stride, uint32_t frameIndex) const;

  SceneKind kind_;
  uint32_t width_, height_;
  uint16_t format_;
  uint64_t seed_;
  GlyphSet glyphs_;
  // The static screen, the scroll document or the photo plane, packed rows.
  std::vector<uint16_t> base_;
  uint32_t baseWidth_ = 0, baseHeight_ = 0;
  UiLayout layout_;
  std::vector<uint16_t> box_;
  uint32_t phaseX_ = 0, phaseY_ = 0;  // seeded start of the box path or the pan
};

}  // namespace mirrodex::scenes
