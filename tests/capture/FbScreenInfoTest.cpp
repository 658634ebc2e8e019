// The framebuffer-device mode decoding and the capture state it leads to, from
// fb_var_screeninfo / fb_fix_screeninfo values alone (no device needed).
#include <gtest/gtest.h>

#include "agent/capture/fb/FbCaptureState.h"
#include "agent/capture/fb/FbScreenInfo.h"

namespace mirrodex {
namespace {

struct Mode {
  fb_var_screeninfo var{};
  fb_fix_screeninfo fix{};
};

Mode MakeMode(uint32_t width, uint32_t height, uint32_t bits, fb_bitfield r, fb_bitfield g,
              fb_bitfield b) {
  Mode m;
  m.var.xres = m.var.xres_virtual = width;
  m.var.yres = m.var.yres_virtual = height;
  m.var.bits_per_pixel = bits;
  m.var.red = r;
  m.var.green = g;
  m.var.blue = b;
  m.fix.type = FB_TYPE_PACKED_PIXELS;
  m.fix.visual = FB_VISUAL_TRUECOLOR;
  m.fix.line_length = width * bits / 8;
  m.fix.smem_len = m.fix.line_length * height;
  return m;
}

Mode Mode565(uint32_t w = 240, uint32_t h = 320) {
  return MakeMode(w, h, 16, {11, 5, 0}, {5, 6, 0}, {0, 5, 0});
}
Mode Mode32(uint32_t w = 800, uint32_t h = 480) {
  return MakeMode(w, h, 32, {16, 8, 0}, {8, 8, 0}, {0, 8, 0});
}

std::optional<FramebufferLayout> Decode(const Mode& m, std::string& error) {
  return DecodeFbScreenInfo(m.var, m.fix, error);
}

TEST(FbScreenInfoDecoding, SixteenBitLayoutsAreServedInTheirOwnFormat) {
  struct Case {
    Mode mode;
    uint16_t format;
  } cases[] = {
      {MakeMode(240, 320, 16, {10, 5, 0}, {5, 5, 0}, {0, 5, 0}), 5},
      {Mode565(), 6},
      {MakeMode(240, 320, 16, {8, 4, 0}, {4, 4, 0}, {0, 4, 0}), 7},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto layout = Decode(c.mode, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_NE(layout->coding, SourceCoding::kConvertTo565);
    EXPECT_EQ(layout->lineLength, 480u);
    const auto state = MakeFbCaptureState(*layout, std::nullopt, error);
    ASSERT_TRUE(state) << error;
    EXPECT_EQ(state->colourFormat, c.format);
    EXPECT_EQ(state->width, 240u);
    EXPECT_EQ(state->height, 320u);
    EXPECT_EQ(state->xPitch, 2);
    EXPECT_EQ(state->yPitch, 480);
    EXPECT_EQ(state->bitsPerPixel, 16u);
  }
}

TEST(FbScreenInfoDecoding, TrueColourLayoutsAreConvertedTo565) {
  const Mode cases[] = {
      Mode32(),
      MakeMode(800, 480, 32, {0, 8, 0}, {8, 8, 0}, {16, 8, 0}),      // BGR order
      MakeMode(800, 480, 24, {16, 8, 0}, {8, 8, 0}, {0, 8, 0}),      // packed 3 bytes
      MakeMode(800, 480, 32, {20, 10, 0}, {10, 10, 0}, {0, 10, 0}),  // 10-bit channels
      MakeMode(800, 480, 16, {0, 5, 0}, {5, 6, 0}, {11, 5, 0}),      // BGR 5-6-5
  };
  for (const auto& mode : cases) {
    std::string error;
    const auto layout = Decode(mode, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->coding, SourceCoding::kConvertTo565);
    const auto state = MakeFbCaptureState(*layout, std::nullopt, error);
    ASSERT_TRUE(state) << error;
    EXPECT_EQ(state->colourFormat, 6);
    EXPECT_EQ(state->yPitch, 1600);  // the served 16-bit rows, not the device's
  }
}

TEST(FbScreenInfoDecoding, PitchesOffsetsAndDeviceMemoryAreChecked) {
  std::string error;
  {
    Mode padded = Mode565();
    padded.fix.line_length = 512;  // rows padded past the visible width
    padded.fix.smem_len = 512 * 320;
    const auto layout = Decode(padded, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->lineLength, 512u);
    EXPECT_EQ(MakeFbCaptureState(*layout, std::nullopt, error)->yPitch, 480);
  }
  {
    Mode odd = Mode565();
    odd.fix.line_length = 481;  // odd pitch: rows start unaligned, still readable
    odd.fix.smem_len = 481 * 320;
    const auto layout = Decode(odd, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->lineLength, 481u);
  }
  {
    Mode unset = Mode565();
    unset.fix.line_length = 0;  // driver leaves it out: rows at the virtual width
    unset.var.xres_virtual = 256;
    unset.fix.smem_len = 512 * 320;
    const auto layout = Decode(unset, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->lineLength, 512u);
  }
  {
    Mode panned = Mode565();
    panned.var.yres_virtual = 640;
    panned.var.yoffset = 320;  // second page of a double-buffered device
    panned.var.xoffset = 2;
    panned.fix.smem_len = 480 * 640;
    EXPECT_FALSE(Decode(panned, error)) << "the second page reaches 4 bytes past the memory";
    panned.var.xoffset = 0;
    const auto layout = Decode(panned, error);
    ASSERT_TRUE(layout) << error;
    EXPECT_EQ(layout->firstPixel, 480u * 320u);
  }
  Mode shortRows = Mode565();
  shortRows.fix.line_length = 478;
  EXPECT_FALSE(Decode(shortRows, error));
  EXPECT_NE(error.find("line length"), std::string::npos) << error;

  Mode negative = Mode565();
  negative.fix.line_length = 0x80000000u;  // a negative pitch read as unsigned
  EXPECT_FALSE(Decode(negative, error));

  Mode smallMemory = Mode565();
  smallMemory.fix.smem_len -= 1;
  EXPECT_FALSE(Decode(smallMemory, error));
  EXPECT_NE(error.find("bytes"), std::string::npos) << error;
}

TEST(FbScreenInfoDecoding, ModesThatCannotBeCapturedSayWhy) {
  std::string error;
  Mode palette = MakeMode(320, 240, 8, {0, 8, 0}, {0, 8, 0}, {0, 8, 0});
  palette.fix.visual = FB_VISUAL_PSEUDOCOLOR;
  EXPECT_FALSE(Decode(palette, error));
  EXPECT_NE(error.find("palette"), std::string::npos) << error;

  Mode planar = Mode565();
  planar.fix.type = FB_TYPE_PLANES;
  EXPECT_FALSE(Decode(planar, error));
  EXPECT_NE(error.find("planes"), std::string::npos) << error;

  Mode grey = Mode565();
  grey.var.grayscale = 1;
  EXPECT_FALSE(Decode(grey, error));

  Mode twelveBits = MakeMode(240, 320, 12, {8, 4, 0}, {4, 4, 0}, {0, 4, 0});
  EXPECT_FALSE(Decode(twelveBits, error));
  EXPECT_NE(error.find("12 bits per pixel"), std::string::npos) << error;

  Mode badChannel = Mode32();
  badChannel.var.red = {28, 8, 0};  // reaches past bit 31
  EXPECT_FALSE(Decode(badChannel, error));

  Mode empty = Mode565(0, 320);
  EXPECT_FALSE(Decode(empty, error));
}

TEST(FbCaptureGeometry, ResolutionDecidesScaleModeAndFlags) {
  std::string error;
  auto layout = *Decode(Mode565(240, 320), error);
  auto state = *MakeFbCaptureState(layout, std::nullopt, error);
  EXPECT_EQ(state.dpi, 96u);  // unknown panel size
  EXPECT_EQ(state.scaleMode, ScaleMode::kAsIs);
  EXPECT_EQ(state.deviceFlags, 0);

  state = *MakeFbCaptureState(layout, 192, error);
  EXPECT_EQ(state.scaleMode, ScaleMode::kFullSize);
  EXPECT_EQ(state.deviceFlags, kCaptureFlagHighResolution);

  layout = *Decode(Mode565(480, 640), error);
  layout.widthMm = 64;  // 480 pixels on 64 mm: 190.5 ppi
  state = *MakeFbCaptureState(layout, std::nullopt, error);
  EXPECT_EQ(state.dpi, 191u);
  EXPECT_EQ(state.scaleMode, ScaleMode::kHalved);
  EXPECT_EQ(state.width, 240u);
  EXPECT_EQ(state.height, 320u);
  EXPECT_EQ(state.yPitch, 480);
  EXPECT_EQ(state.deviceFlags, kCaptureFlagHighResolution);
  EXPECT_EQ(MakeFbCaptureState(layout, 129, error)->deviceFlags, 0) << "the override wins";

  layout = *Decode(Mode32(2560, 1440), error);
  state = *MakeFbCaptureState(layout, std::nullopt, error);
  EXPECT_EQ(state.scaleMode, ScaleMode::kHalved) << "over 2048 pixels at any resolution";
  EXPECT_EQ(state.width, 1280u);
  EXPECT_EQ(state.height, 720u);
  EXPECT_EQ(state.deviceFlags, 0);
}

}  // namespace
}  // namespace mirrodex
