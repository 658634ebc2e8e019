// Pixel format helpers: grey reduction, channel-safe averaging and the scale-mode rule.
#include <gtest/gtest.h>

#include <vector>

#include "agent/capture/PixelFormats.h"

namespace mirrodex {
namespace {

TEST(Reduction, GivesThreeBitLuminanceForEveryFormat) {
  std::vector<uint8_t> table(65536);
  for (uint16_t format : {5, 6, 7}) {
    BuildReductionTable(format, table.data());
    EXPECT_EQ(table[0], 0) << format;
    for (uint32_t v = 0; v < 65536; ++v) ASSERT_LT(table[v], 8) << format;
  }
  BuildReductionTable(6, table.data());
  EXPECT_EQ(table[0xFFFF], 7);
  EXPECT_EQ(table[0x07E0], 4);  // pure green: 0.587 of full scale
  EXPECT_EQ(table[0x001F], 0);  // pure blue is dark
  BuildReductionTable(7, table.data());
  EXPECT_EQ(table[0x0FFF], 7);
  EXPECT_EQ(table[0x0F00], 2);  // pure red: 0.299 of full scale
}

TEST(Averaging, MeansPerChannelWithoutCarries) {
  for (uint16_t format : {5, 6, 7}) {
    const uint16_t mask = ChannelMaskAfterShift(format);
    for (uint16_t v : {0x0000, 0x1234, 0x0FFF, 0x7FFF, 0xFFFF}) EXPECT_EQ(AveragePixels(v, v, mask), v);
  }
  // 5-6-5: red 1 and 0 must not leak a half into green's top bit.
  EXPECT_EQ(AveragePixels(0x0800, 0x0000, 0x7BEF), 0x0000);
  EXPECT_EQ(AveragePixels(0xF800, 0x0000, 0x7BEF), 0x7800);
  EXPECT_EQ(AveragePixels(0x001F, 0x0001, 0x7BEF), 0x0010);
  // 4-4-4 and 5-5-5 masks keep channels apart too.
  EXPECT_EQ(AveragePixels(0x0100, 0x0000, ChannelMaskAfterShift(7)), 0x0000);
  EXPECT_EQ(AveragePixels(0x7C00, 0x0000, ChannelMaskAfterShift(5)), 0x3C00);
}

TEST(Averaging, HalvesAPictureBySquares) {
  // 4 x 2 source: two 2 x 2 squares.
  const uint16_t src[8] = {0xF800, 0xF800, 0x001F, 0x0000, 0xF800, 0xF800, 0x001F, 0x0000};
  uint16_t dst[2] = {1, 1};
  HalveByAveraging(reinterpret_cast<const uint8_t*>(src), 8, 4, 2, 6, reinterpret_cast<uint8_t*>(dst), 4);
  EXPECT_EQ(dst[0], 0xF800);
  EXPECT_EQ(dst[1], 0x000F);
}

TEST(ScaleMode, FollowsResolutionAndSize) {
  EXPECT_EQ(ChooseCaptureGeometry(240, 320, 96)->mode, ScaleMode::kAsIs);
  EXPECT_EQ(ChooseCaptureGeometry(240, 320, 192)->mode, ScaleMode::kFullSize);
  const auto vga = ChooseCaptureGeometry(480, 640, 192);
  EXPECT_EQ(vga->mode, ScaleMode::kHalved);
  EXPECT_EQ(vga->width, 240u);
  EXPECT_EQ(vga->height, 320u);
  const auto huge = ChooseCaptureGeometry(3840, 2160, 96);
  EXPECT_EQ(huge->mode, ScaleMode::kHalved);
  EXPECT_EQ(huge->width, 1920u);
  EXPECT_FALSE(ChooseCaptureGeometry(8192, 100, 96).has_value());
  EXPECT_FALSE(ChooseCaptureGeometry(0, 100, 96).has_value());
}

}  // namespace
}  // namespace mirrodex
