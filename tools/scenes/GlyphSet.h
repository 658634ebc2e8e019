// A 5 x 7 bitmap font: real digits and a colon for clocks and numbers, and a seeded set of
// letter-like glyphs for text runs (the scenes need text that codes like text, not words).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tools/scenes/Canvas.h"
#include "tools/scenes/SceneRandom.h"

namespace mirrodex::scenes {

class GlyphSet {
 public:
  static constexpr int kGlyphWidth = 5;
  static constexpr int kGlyphHeight = 7;
  static constexpr int kAdvance = 6;  // glyph plus one column of spacing

  explicit GlyphSet(uint64_t seed);

  static int TextHeight(int scale) { return kGlyphHeight * scale; }
  static int TextWidth(int glyphs, int scale) { return glyphs * kAdvance * scale; }

  // Draws the digits and colons of `text` (other characters leave a gap); returns the x
  // after the text.
  int DrawDigits(const Canvas& canvas, int x, int y, std::string_view text, int scale, Rgb c) const;
  // Draws a word of `letters` random letter-like glyphs; returns the x after it.
  int DrawWord(const Canvas& canvas, int x, int y, SceneRandom& rng, int letters, int scale,
               Rgb c) const;
  // Draws words of 2..9 letters separated by spaces until `width` pixels are used; returns
  // the x after the last word.
  int DrawRun(const Canvas& canvas, int x, int y, int width, SceneRandom& rng, int scale,
              Rgb c) const;

 private:
  using Glyph = std::array<uint16_t, kGlyphHeight>;
  static constexpr int kLetters = 40;

  std::array<Glyph, kLetters> letters_{};
};

}  // namespace mirrodex::scenes
