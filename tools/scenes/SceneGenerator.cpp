#include "tools/scenes/SceneGenerator.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "tools/scenes/PhotoPlane.h"

namespace mirrodex::scenes {
namespace {

constexpr int kPanMargin = 32;                        // photo plane border the pan moves in
constexpr uint32_t kClockStart = 9 * 3600 + 41 * 60;  // 09:41:00 on frame 0
constexpr uint32_t kBoxStepX = 7, kBoxStepY = 5;      // box motion, pixels per frame
constexpr uint32_t kPanStepX = 2, kPanStepY = 1;      // photo pan, pixels per frame

// Bounces 0..range..0: position t of a back-and-forth path.
uint32_t Bounce(uint64_t t, uint32_t range) {
  if (range == 0) return 0;
  const uint64_t m = t % (2ull * range);
  return static_cast<uint32_t>(m <= range ? m : 2ull * range - m);
}

std::string ClockText(uint32_t frameIndex) {
  const uint32_t s = (kClockStart + frameIndex) % 86400;
  char text[9];
  const uint32_t parts[3] = {s / 3600, s / 60 % 60, s % 60};
  for (int k = 0; k < 3; ++k) {
    text[3 * k] = static_cast<char>('0' + parts[k] / 10);
    text[3 * k + 1] = static_cast<char>('0' + parts[k] % 10);
    if (k < 2) text[3 * k + 2] = ':';
  }
  return std::string(text, 8);
}

}  // namespace

bool SceneGenerator::Supports(uint32_t width, uint32_t height, uint16_t format) {
  return width >= kMinDimension && height >= kMinDimension && width <= kMaxDimension &&
         height <= kMaxDimension && IsSceneFormat(format);
}

SceneGenerator::SceneGenerator(SceneKind kind, uint32_t width, uint32_t height, uint16_t format,
                               uint64_t seed)
    : kind_(kind), width_(width), height_(height), format_(format), seed_(seed), glyphs_(seed) {
  if (!Supports(width, height, format)) {
    throw std::invalid_argument("scene geometry or colour format not supported");
  }
  SceneRandom rng(seed);
  phaseX_ = rng.Below(1 << 16);
  phaseY_ = rng.Below(1 << 16);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int unit = UiPainter::UnitFor(w, h);
  baseWidth_ = width;
  if (kind == SceneKind::kPhoto) {
    baseWidth_ = width + 2 * kPanMargin;
    baseHeight_ = height + 2 * kPanMargin;
    base_ = PaintPhotoPlane(static_cast<int>(baseWidth_), static_cast<int>(baseHeight_), format, seed);
  } else if (ScrollStep(kind) != 0) {
    // At least two screens of whole items, so the wrap is seamless and never on screen twice.
    const uint32_t pitch = static_cast<uint32_t>(UiPainter::DocumentPitch(unit));
    baseHeight_ = (2 * height + pitch - 1) / pitch * pitch;
    base_.assign(static_cast<size_t>(baseWidth_) * baseHeight_, 0);
    const Canvas document(base_.data(), w, static_cast<int>(baseHeight_), baseWidth_, format);
    UiPainter(document, glyphs_, unit, seed).PaintDocument();
  } else {
    baseHeight_ = height;
    base_.assign(static_cast<size_t>(width) * height, 0);
    const Canvas screen(base_.data(), w, h, width, format);
    layout_ = UiPainter(screen, glyphs_, unit, seed).PaintScreen();
    if (kind == SceneKind::kBox) {
      box_.assign(kBoxSize * kBoxSize, 0);
      const Canvas box(box_.data(), kBoxSize, kBoxSize, kBoxSize, format);
      UiPainter(box, glyphs_, 1, seed + 1).PaintBox();
    }
  }
}

void SceneGenerator::Render(uint32_t frameIndex, uint16_t* pixels, size_t strideBytes) const {
  if (strideBytes % 2 != 0 || strideBytes < 2 * static_cast<size_t>(width_)) {
    throw std::invalid_argument("scene row stride too small or odd");
  }
  const size_t stride = strideBytes / 2;
  if (kind_ == SceneKind::kPhoto) {
    RenderPhoto(frameIndex, pixels, stride);
  } else if (ScrollStep(kind_) != 0) {
    RenderScroll(frameIndex, pixels, stride);
  } else {
    RenderScreen(frameIndex, pixels, stride);
  }
}

std::vector<uint16_t> SceneGenerator::Render(uint32_t frameIndex) const {
  std::vector<uint16_t> frame(static_cast<size_t>(width_) * height_);
  Render(frameIndex, frame.data(), 2 * static_cast<size_t>(width_));
  return frame;
}

void SceneGenerator::RenderScreen(uint32_t frameIndex, uint16_t* pixels, size_t stride) const {
  for (uint32_t y = 0; y < height_; ++y) {
    std::memcpy(pixels + y * stride, base_.data() + static_cast<size_t>(y) * width_, 2 * width_);
  }
  const Canvas canvas(pixels, static_cast<int>(width_), static_cast<int>(height_), stride, format_);
  DrawClockAndCaret(canvas, kind_ == SceneKind::kClock ? frameIndex : 0);
  if (kind_ == SceneKind::kBox) DrawBox(pixels, stride, frameIndex);
}

void SceneGenerator::DrawClockAndCaret(const Canvas& canvas, uint32_t frameIndex) const {
  canvas.Fill(layout_.clockPane, layout_.clockBackground);
  glyphs_.DrawDigits(canvas, layout_.clockX, layout_.clockY, ClockText(frameIndex), layout_.unit,
                     layout_.clockColour);
  if (frameIndex % 2 == 0) canvas.Fill(layout_.caret, layout_.caretColour);
}

void SceneGenerator::DrawBox(uint16_t* pixels, size_t stride, uint32_t frameIndex) const {
  const uint32_t rangeX = width_ > kBoxSize ? width_ - kBoxSize : 0;
  const uint32_t rangeY = height_ > kBoxSize ? height_ - kBoxSize : 0;
  const uint32_t x = Bounce(phaseX_ + static_cast<uint64_t>(frameIndex) * kBoxStepX, rangeX);
  const uint32_t y = Bounce(phaseY_ + static_cast<uint64_t>(frameIndex) * kBoxStepY, rangeY);
  const uint32_t columns = std::min<uint32_t>(kBoxSize, width_ - x);
  const uint32_t rows = std::min<uint32_t>(kBoxSize, height_ - y);
  for (uint32_t r = 0; r < rows; ++r) {
    std::memcpy(pixels + (y + r) * stride + x, box_.data() + r * kBoxSize, 2 * columns);
  }
}

void SceneGenerator::RenderScroll(uint32_t frameIndex, uint16_t* pixels, size_t stride) const {
  const uint64_t offset = static_cast<uint64_t>(frameIndex) * ScrollStep(kind_) % baseHeight_;
  for (uint32_t y = 0; y < height_; ++y) {
    const size_t source = (offset + y) % baseHeight_;
    std::memcpy(pixels + y * stride, base_.data() + source * baseWidth_, 2 * width_);
  }
}

void SceneGenerator::RenderPhoto(uint32_t frameIndex, uint16_t* pixels, size_t stride) const {
  const uint32_t dx = Bounce(phaseX_ + static_cast<uint64_t>(frameIndex) * kPanStepX, 2 * kPanMargin);
  const uint32_t dy = Bounce(phaseY_ + static_cast<uint64_t>(frameIndex) * kPanStepY, 2 * kPanMargin);
  // Grain: three random bits per pixel flip the low bit of each channel.
  uint16_t low[3];
  ChannelLowBits(format_, low);
  uint16_t grain[8];
  for (int k = 0; k < 8; ++k) {
    grain[k] = static_cast<uint16_t>((k & 1 ? low[0] : 0) | (k & 2 ? low[1] : 0) | (k & 4 ? low[2] : 0));
  }
  SceneRandom rng(seed_ ^ (0x9E3779B97F4A7C15ull * (frameIndex + 1ull)));
  for (uint32_t y = 0; y < height_; ++y) {
    const uint16_t* src = base_.data() + static_cast<size_t>(dy + y) * baseWidth_ + dx;
    uint16_t* dst = pixels + y * stride;
    for (uint32_t x = 0; x < width_; x += 16) {
      uint64_t bits = rng.Next();
      const uint32_t end = std::min(width_, x + 16);
      for (uint32_t i = x; i < end; ++i, bits >>= 4) dst[i] = src[i] ^ grain[bits & 7];
    }
  }
}

}  // namespace mirrodex::scenes
