#include "tools/scenes/UiPainter.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace mirrodex::scenes {
namespace {

constexpr Rgb kFace{212, 208, 200};
constexpr Rgb kHighlight{255, 255, 255};
constexpr Rgb kShadow{128, 128, 128};
constexpr Rgb kDarkShadow{64, 64, 64};
constexpr Rgb kWindow{255, 255, 255};
constexpr Rgb kText{0, 0, 0};
constexpr Rgb kGreyText{96, 96, 96};
constexpr Rgb kShade{240, 243, 248};
constexpr Rgb kSeparator{224, 224, 224};
constexpr Rgb kTrough{232, 232, 232};
constexpr Rgb kFolder{240, 200, 80};
constexpr Rgb kFolderDark{200, 150, 40};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kAccents[] = {{0, 84, 166}, {20, 120, 60}, {150, 40, 40}, {90, 60, 140}};
constexpr Rgb kDiscColours[] = {{200, 60, 50}, {60, 160, 80}, {230, 140, 30}};

// Title bar button marks, 5 x 5.
constexpr uint16_t kCloseMark[] = {0x11, 0x0A, 0x04, 0x0A, 0x11};
constexpr uint16_t kMaximiseMark[] = {0x1F, 0x11, 0x11, 0x11, 0x1F};
constexpr uint16_t kMinimiseMark[] = {0x00, 0x00, 0x00, 0x00, 0x1F};
constexpr uint16_t kArrowMark[] = {0x04, 0x0E, 0x1F};

void Sunken(const Canvas& canvas, Rect r) { canvas.Bevel(r, kShadow, kHighlight); }
void Raised(const Canvas& canvas, Rect r) { canvas.Bevel(r, kHighlight, kDarkShadow); }

}  // namespace

UiPainter::UiPainter(const Canvas& canvas, const GlyphSet& glyphs, int unit, uint64_t seed)
    : canvas_(canvas), glyphs_(glyphs), rng_(seed), unit_(unit) {
  accent_ = kAccents[rng_.Below(std::size(kAccents))];
  accentDark_ = Blend(accent_, kBlack, 80);
  accentLight_ = Blend(accent_, kHighlight, 140);
}

int UiPainter::UnitFor(int width, int height) { return std::max(1, std::min(width, height) / 400); }

UiLayout UiPainter::PaintScreen() {
  const int u = unit_, w = canvas_.Width(), h = canvas_.Height();
  UiLayout layout;
  layout.unit = u;
  canvas_.Fill({0, 0, w, h}, kFace);
  const int title = 20 * u, menu = 18 * u, tools = 26 * u, status = 20 * u;
  PaintTitleBar({0, 0, w, title});
  PaintMenuAndTools({0, title, w, menu}, {0, title + menu, w, tools});
  const int top = title + menu + tools + 2 * u, bottom = h - status - 2 * u;
  Rect body{2 * u, top, w - 4 * u, bottom - top};
  if (w >= 600) {
    const int side = w / 4;
    PaintTree({body.x, top, side, body.h});
    body.x += side + 4 * u;
    body.w -= side + 4 * u;
  }
  const int form = 30 * u;
  PaintForm({body.x, top, body.w, form}, layout);
  int listTop = top + form + 2 * u;
  if (h >= 400) {
    const int banner = 44 * u;
    PaintBanner({body.x, listTop, body.w, banner});
    listTop += banner + 2 * u;
  }
  PaintList({body.x, listTop, body.w, bottom - listTop});
  PaintStatusBar({0, h - status, w, status}, layout);
  return layout;
}

void UiPainter::PaintDocument() {
  const int u = unit_, w = canvas_.Width(), pitch = DocumentPitch(u);
  const int ty = (pitch - GlyphSet::TextHeight(u)) / 2;
  for (int i = 0; i < canvas_.Height() / pitch; ++i) {
    const Rect band{0, i * pitch, w, pitch};
    if (i % 12 == 0) {
      canvas_.Gradient(band, accentDark_, accentLight_, 12, false);
      glyphs_.DrawRun(canvas_, 6 * u, band.y + ty, w / 2, rng_, u, kHighlight);
    } else if (rng_.Chance(25)) {
      canvas_.Fill(band, kWindow);
      glyphs_.DrawRun(canvas_, 8 * u, band.y + ty, w - 16 * u, rng_, u, kText);
    } else {
      PaintListItem(band, i % 2 == 1, false);
      canvas_.Fill({0, band.y + pitch - 1, w, 1}, kSeparator);
    }
  }
}

void UiPainter::PaintBox() {
  const int w = canvas_.Width(), h = canvas_.Height();
  canvas_.Fill({0, 0, w, h}, kWindow);
  canvas_.Gradient({1, 1, w - 2, 11}, accentDark_, accent_, 6, false);
  glyphs_.DrawWord(canvas_, 3, 3, rng_, 4, 1, kHighlight);
  canvas_.Outline({0, 0, w, h}, kDarkShadow);
  PaintIcon(4, 16, 16);
  glyphs_.DrawRun(canvas_, 24, 20, w - 28, rng_, 1, kText);
  for (int y = 38; y + 8 < h; y += 10) glyphs_.DrawRun(canvas_, 4, y, w - 8, rng_, 1, kGreyText);
}

void UiPainter::PaintDisc(int cx, int cy, int radius, Rgb c) {
  for (int dy = -radius; dy <= radius; ++dy) {
    const int half = static_cast<int>(std::sqrt(static_cast<double>(radius * radius - dy * dy)));
    canvas_.Fill({cx - half, cy + dy, 2 * half + 1, 1}, c);
  }
}

void UiPainter::PaintIcon(int x, int y, int s) {
  const int e = std::max(1, s / 16);  // one icon pixel
  switch (rng_.Below(4)) {
    case 0: {  // a page with lines of text
      const Rect page{x + 3 * e, y + e, 10 * e, 14 * e};
      canvas_.Fill(page, kWindow);
      canvas_.Outline(page, kDarkShadow);
      for (int k = 0; k < 3; ++k) canvas_.Fill({page.x + 2 * e, page.y + (4 + 3 * k) * e, 6 * e, e}, kShadow);
      break;
    }
    case 1: {  // a folder
      canvas_.Fill({x + e, y + 3 * e, 6 * e, 2 * e}, kFolderDark);
      const Rect body{x + e, y + 5 * e, 14 * e, 9 * e};
      canvas_.Fill(body, kFolder);
      canvas_.Outline(body, kFolderDark);
      break;
    }
    case 2: {  // an application tile
      const Rect tile{x + e, y + e, 14 * e, 14 * e};
      canvas_.Gradient(tile, accentLight_, accentDark_, 4, true);
      canvas_.Outline(tile, accentDark_);
      canvas_.Fill({x + 5 * e, y + 5 * e, 6 * e, 6 * e}, kHighlight);
      break;
    }
    default:  // a round badge
      PaintDisc(x + s / 2, y + s / 2, 7 * e, kDiscColours[rng_.Below(std::size(kDiscColours))]);
      PaintDisc(x + s / 2, y + s / 2, 3 * e, kHighlight);
      break;
  }
}

void UiPainter::PaintButton(Rect r, int letters) {
  const int u = unit_;
  canvas_.Fill(r, kFace);
  Raised(canvas_, r);
  const int tw = GlyphSet::TextWidth(letters, u) - u;
  glyphs_.DrawWord(canvas_, r.x + (r.w - tw) / 2, r.y + (r.h - GlyphSet::TextHeight(u)) / 2, rng_,
                   letters, u, kText);
}

void UiPainter::PaintTitleBar(Rect r) {
  const int u = unit_;
  canvas_.Gradient(r, accentDark_, accentLight_, 16, false);
  PaintIcon(r.x + 2 * u, r.y + 2 * u, 16 * u);
  const int ty = r.y + (r.h - GlyphSet::TextHeight(u)) / 2;
  glyphs_.DrawRun(canvas_, r.x + 22 * u, ty, std::min(r.w * 45 / 100, r.w - 80 * u), rng_, u, kHighlight);
  const uint16_t* marks[] = {kCloseMark, kMaximiseMark, kMinimiseMark};
  for (int k = 0; k < 3; ++k) {
    const Rect button{r.x + r.w - (k + 1) * 18 * u, r.y + 3 * u, 16 * u, 14 * u};
    canvas_.Fill(button, kFace);
    Raised(canvas_, button);
    canvas_.Bitmap(button.x + 5 * u, button.y + 4 * u, marks[k], 5, 5, u, kText);
  }
}

void UiPainter::PaintMenuAndTools(Rect menu, Rect tools) {
  const int u = unit_;
  canvas_.Fill(menu, kFace);
  const int ty = menu.y + (menu.h - GlyphSet::TextHeight(u)) / 2;
  for (int x = menu.x + 6 * u; x < menu.x + menu.w * 6 / 10;) {
    x = glyphs_.DrawWord(canvas_, x, ty, rng_, rng_.Between(3, 6), u, kText) + 12 * u;
  }
  canvas_.Fill(tools, kFace);
  Raised(canvas_, tools);
  int x = tools.x + 4 * u;
  for (int icon = 1; x + 16 * u < tools.x + tools.w * 3 / 4; ++icon) {
    PaintIcon(x, tools.y + 5 * u, 16 * u);
    x += 22 * u;
    if (icon % 4 == 0) {
      canvas_.Fill({x, tools.y + 3 * u, 1, tools.h - 6 * u}, kShadow);
      canvas_.Fill({x + 1, tools.y + 3 * u, 1, tools.h - 6 * u}, kHighlight);
      x += 6 * u;
    }
  }
}

void UiPainter::PaintTree(Rect r) {
  const int u = unit_, pitch = 18 * u;
  canvas_.Fill(r, kWindow);
  Sunken(canvas_, r);
  const int selected = rng_.Between(2, 8);
  int level = 0;
  for (int row = 0, y = r.y + 3 * u; y + pitch <= r.y + r.h; ++row, y += pitch) {
    level = std::clamp(level + rng_.Between(-1, 1), 0, 3);
    const int x = r.x + 4 * u + level * 12 * u;
    const Rect expander{x, y + 5 * u, 9 * u, 9 * u};
    canvas_.Fill(expander, kWindow);
    canvas_.Outline(expander, kShadow);
    canvas_.Fill({x + 2 * u, y + 9 * u, 5 * u, u}, kText);
    if (rng_.Chance(50)) canvas_.Fill({x + 4 * u, y + 7 * u, u, 5 * u}, kText);
    PaintIcon(x + 12 * u, y + u, 16 * u);
    const int tx = x + 31 * u, ty = y + (pitch - GlyphSet::TextHeight(u)) / 2;
    const int tw = std::min(r.x + r.w - tx - 4 * u, GlyphSet::TextWidth(rng_.Between(4, 12), u));
    if (row == selected) canvas_.Fill({tx - 2 * u, y + 2 * u, tw + 4 * u, pitch - 4 * u}, accent_);
    glyphs_.DrawRun(canvas_, tx, ty, tw, rng_, u, row == selected ? kHighlight : kText);
  }
}

void UiPainter::PaintForm(Rect r, UiLayout& layout) {
  const int u = unit_, fieldHeight = 18 * u;
  const int fy = r.y + (r.h - fieldHeight) / 2;
  const int labelEnd =
      glyphs_.DrawWord(canvas_, r.x + 4 * u, fy + (fieldHeight - GlyphSet::TextHeight(u)) / 2, rng_,
                       rng_.Between(4, 6), u, kText);
  const int fx = labelEnd + 6 * u;
  const int buttonWidth = 40 * u;
  const Rect field{fx, fy, std::max(r.x + r.w - fx - buttonWidth - 10 * u, 20 * u), fieldHeight};
  canvas_.Fill(field, kWindow);
  Sunken(canvas_, field);
  const int textY = fy + (fieldHeight - GlyphSet::TextHeight(u)) / 2;
  const int textEnd = glyphs_.DrawRun(canvas_, fx + 4 * u, textY, field.w * 6 / 10, rng_, u, kText);
  layout.caret = {textEnd + 2 * u, fy + 3 * u, u, fieldHeight - 6 * u};
  layout.caretColour = kText;
  PaintButton({field.x + field.w + 6 * u, fy, buttonWidth, fieldHeight}, 2);
}

void UiPainter::PaintBanner(Rect r) {
  const int u = unit_;
  canvas_.Gradient(r, accentLight_, kWindow, 8, true);
  PaintIcon(r.x + 6 * u, r.y + 6 * u, 32 * u);
  const int tx = r.x + 46 * u;
  glyphs_.DrawRun(canvas_, tx, r.y + 6 * u, r.w - 52 * u, rng_, 2 * u, accentDark_);
  glyphs_.DrawRun(canvas_, tx, r.y + 28 * u, r.w - 52 * u, rng_, u, kGreyText);
}

void UiPainter::PaintList(Rect r) {
  const int u = unit_, header = 18 * u, pitch = 20 * u, bar = 14 * u;
  const int columns[] = {0, r.w * 45 / 100, r.w * 65 / 100, r.w - bar};
  for (int k = 0; k < 3; ++k) {
    PaintButton({r.x + columns[k], r.y, columns[k + 1] - columns[k], header}, rng_.Between(3, 5));
  }
  const int top = r.y + header, height = r.h - header;
  canvas_.Fill({r.x, top, r.w - bar, height}, kWindow);
  const int selected = rng_.Between(1, 6);
  for (int i = 0; (i + 1) * pitch <= height; ++i) {
    PaintListItem({r.x, top + i * pitch, r.w - bar, pitch}, i % 2 == 1, i == selected);
  }
  const int sx = r.x + r.w - bar;
  canvas_.Fill({sx, top, bar, height}, kTrough);
  for (const int by : {top, top + height - bar}) {
    const Rect arrow{sx, by, bar, bar};
    canvas_.Fill(arrow, kFace);
    Raised(canvas_, arrow);
    canvas_.Bitmap(sx + 4 * u, by + 5 * u, kArrowMark, 5, 3, u, kText);
  }
  const int track = height - 2 * bar, thumb = std::max(track / 3, bar);
  if (track > thumb) {
    const Rect knob{sx, top + bar + rng_.Between(0, track - thumb), bar, thumb};
    canvas_.Fill(knob, kFace);
    Raised(canvas_, knob);
  }
}

void UiPainter::PaintListItem(Rect r, bool shaded, bool selected) {
  const int u = unit_;
  canvas_.Fill(r, selected ? accent_ : shaded ? kShade : kWindow);
  PaintIcon(r.x + 4 * u, r.y + (r.h - 16 * u) / 2, 16 * u);
  const int ty = r.y + (r.h - GlyphSet::TextHeight(u)) / 2;
  glyphs_.DrawRun(canvas_, r.x + 24 * u, ty, r.w * 45 / 100 - 28 * u, rng_, u,
                  selected ? kHighlight : kText);
  const Rgb detail = selected ? kHighlight : kGreyText;
  glyphs_.DrawDigits(canvas_, r.x + r.w * 47 / 100, ty, std::to_string(rng_.Between(1, 99999)), u, detail);
  const std::string time = std::to_string(rng_.Between(10, 23)) + ":" + std::to_string(rng_.Between(10, 59));
  glyphs_.DrawDigits(canvas_, r.x + r.w * 67 / 100, ty, time, u, detail);
}

void UiPainter::PaintStatusBar(Rect r, UiLayout& layout) {
  const int u = unit_;
  canvas_.Fill(r, kFace);
  canvas_.Fill({r.x, r.y, r.w, 1}, kHighlight);
  const int paneY = r.y + 3 * u, paneH = r.h - 5 * u;
  const int clockWidth = GlyphSet::TextWidth(8, u) + 8 * u;
  const Rect clock{r.x + r.w - clockWidth - 4 * u, paneY, clockWidth, paneH};
  const Rect message{r.x + 2 * u, paneY, clock.x - r.x - 6 * u, paneH};
  Sunken(canvas_, message);
  glyphs_.DrawRun(canvas_, message.x + 4 * u, paneY + (paneH - GlyphSet::TextHeight(u)) / 2,
                  message.w * 7 / 10, rng_, u, kText);
  Sunken(canvas_, clock);
  layout.clockPane = {clock.x + 1, clock.y + 1, clock.w - 2, clock.h - 2};
  layout.clockX = clock.x + 4 * u;
  layout.clockY = paneY + (paneH - GlyphSet::TextHeight(u)) / 2;
  layout.clockColour = kText;
  layout.clockBackground = kFace;
}

}  // namespace mirrodex::scenes
