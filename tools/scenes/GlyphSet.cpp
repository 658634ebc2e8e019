#include "tools/scenes/GlyphSet.h"

namespace mirrodex::scenes {
namespace {

using Glyph = std::array<uint16_t, GlyphSet::kGlyphHeight>;

// Digits 0..9 and a colon, one 5-bit row each, top row first.
constexpr std::array<Glyph, 11> kDigits = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00},
}};

// A letter-like glyph from strokes: a stem or two, bars and sometimes a bowl, within the
// x-height (rows 2..6) or with an ascender (rows 0..6).
Glyph MakeLetter(SceneRandom& rng) {
  Glyph g{};
  const int top = rng.Chance(35) ? 0 : 2;
  auto stem = [&](uint16_t column) {
    for (int row = top; row < GlyphSet::kGlyphHeight; ++row) g[row] |= column;
  };
  switch (rng.Below(4)) {
    case 0:  // stem with a bowl, like b, d, p
      stem(rng.Chance(50) ? 0x10 : 0x01);
      g[2] |= 0x0E; g[3] |= 0x11; g[4] |= 0x11; g[5] |= 0x11; g[6] |= 0x0E;
      break;
    case 1:  // two stems and a bar, like n, u, h
      stem(0x10);
      for (int row = 3; row < 7; ++row) g[row] |= 0x01;
      g[rng.Chance(50) ? 2 : 6] |= 0x0E;
      break;
    case 2:  // a round letter, like o, c, e
      g[2] |= 0x0E; g[3] |= 0x11; g[4] |= rng.Chance(50) ? 0x1F : 0x10; g[5] |= 0x10; g[6] |= 0x0F;
      if (rng.Chance(50)) g[5] |= 0x01;
      break;
    default:  // a centre stem with bars, like t, i, f
      stem(0x04);
      g[top == 0 ? 2 : 3] |= 0x0E;
      if (rng.Chance(50)) g[6] |= 0x06;
      break;
  }
  return g;
}

}  // namespace

GlyphSet::GlyphSet(uint64_t seed) {
  SceneRandom rng(seed ^ 0x61C8864680B583EBull);
  for (Glyph& g : letters_) g = MakeLetter(rng);
}

int GlyphSet::DrawDigits(const Canvas& canvas, int x, int y, std::string_view text, int scale,
                         Rgb c) const {
  for (char ch : text) {
    const int index = ch == ':' ? 10 : ch >= '0' && ch <= '9' ? ch - '0' : -1;
    if (index >= 0) canvas.Bitmap(x, y, kDigits[index].data(), kGlyphWidth, kGlyphHeight, scale, c);
    x += kAdvance * scale;
  }
  return x;
}

int GlyphSet::DrawWord(const Canvas& canvas, int x, int y, SceneRandom& rng, int letters,
                       int scale, Rgb c) const {
  for (int i = 0; i < letters; ++i) {
    canvas.Bitmap(x, y, letters_[rng.Below(kLetters)].data(), kGlyphWidth, kGlyphHeight, scale, c);
    x += kAdvance * scale;
  }
  return x;
}

int GlyphSet::DrawRun(const Canvas& canvas, int x, int y, int width, SceneRandom& rng, int scale,
                      Rgb c) const {
  const int end = x + width;
  int cursor = x;
  while (true) {
    const int letters = rng.Between(2, 9);
    if (cursor + TextWidth(letters, scale) > end) break;
    cursor = DrawWord(canvas, cursor, y, rng, letters, scale, c) + kAdvance * scale;
  }
  return cursor > x ? cursor - kAdvance * scale : x;
}

}  // namespace mirrodex::scenes
