// Paints the static parts of device screens: a windowed application (title bar, menu,
// tool bar, side tree, a form with a text field, a banded banner, a list and a status bar
// with a clock), and the repeating document the scroll scenes move through. Colours come
// from a small theme, so a screen holds a realistic few dozen to a few hundred colours.
#pragma once

#include <cstdint>

#include "tools/scenes/Canvas.h"
#include "tools/scenes/GlyphSet.h"
#include "tools/scenes/SceneRandom.h"

namespace mirrodex::scenes {

// Where the per-frame parts of a screen go.
struct UiLayout {
  Rect caret;      // the text field's caret
  Rect clockPane;  // background of the clock in the status bar
  int clockX = 0, clockY = 0;
  int unit = 1;    // pixel scale of the interface
  Rgb caretColour{0, 0, 0};
  Rgb clockColour{0, 0, 0};
  Rgb clockBackground{0, 0, 0};
};

class UiPainter {
 public:
  // `unit` scales the interface (see UnitFor); `seed` picks the theme and the content.
  UiPainter(const Canvas& canvas, const GlyphSet& glyphs, int unit, uint64_t seed);

  // Interface scale for a screen: 1 up to about VGA, 2 for full HD.
  static int UnitFor(int width, int height);
  // Height of one document item; document heights are multiples of it so scrolling wraps
  // without a seam.
  static int DocumentPitch(int unit) { return 20 * unit; }

  // Paints a whole application screen on the canvas (clock and caret excluded).
  UiLayout PaintScreen();
  // Paints the canvas as a document of whole items of DocumentPitch rows.
  void PaintDocument();
  // Paints a 64 x 64 dragged box: a miniature window with an icon and text.
  void PaintBox();

 private:
  void PaintIcon(int x, int y, int size);
  void PaintButton(Rect r, int letters);
  void PaintTitleBar(Rect r);
  void PaintMenuAndTools(Rect menu, Rect tools);
  void PaintTree(Rect r);
  void PaintForm(Rect r, UiLayout& layout);
  void PaintBanner(Rect r);
  void PaintList(Rect r);
  void PaintStatusBar(Rect r, UiLayout& layout);
  void PaintListItem(Rect r, bool shaded, bool selected);
  void PaintDisc(int cx, int cy, int radius, Rgb c);

  const Canvas& canvas_;
  const GlyphSet& glyphs_;
  SceneRandom rng_;
  int unit_;
  Rgb accent_, accentDark_, accentLight_;
};

}  // namespace mirrodex::scenes
