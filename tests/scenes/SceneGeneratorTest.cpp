#include "tools/scenes/SceneGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace mirrodex::scenes {
namespace {

constexpr uint32_t kWidth = 240, kHeight = 320;
constexpr uint16_t kRgb565 = 6;

size_t CountColours(const std::vector<uint16_t>& frame) {
  return std::unordered_set<uint16_t>(frame.begin(), frame.end()).size();
}

size_t CountChanged(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
  return changed;
}

TEST(SceneGenerator, SameSeedGivesSameFramesAndAnotherSeedDiffers) {
  for (SceneKind kind : AllSceneKinds()) {
    SCOPED_TRACE(SceneKindName(kind));
    const SceneGenerator a(kind, kWidth, kHeight, kRgb565, 7), b(kind, kWidth, kHeight, kRgb565, 7);
    const SceneGenerator other(kind, kWidth, kHeight, kRgb565, 8);
    for (uint32_t frame : {0u, 5u}) EXPECT_EQ(a.Render(frame), b.Render(frame));
    EXPECT_NE(a.Render(0), other.Render(0));
  }
}

TEST(SceneGenerator, NamesRoundTripAndUnknownNamesAreRefused) {
  for (SceneKind kind : AllSceneKinds()) EXPECT_EQ(ParseSceneKind(SceneKindName(kind)), kind);
  EXPECT_FALSE(ParseSceneKind("scroll-5").has_value());
}

TEST(SceneGenerator, RenderWritesOnlyTheVisiblePictureOfAPaddedImage) {
  // The encoder's capture buffer is padded to whole blocks and its padding must stay zero.
  const uint32_t width = 237, height = 101, stride = 240, rows = 104;
  for (SceneKind kind : AllSceneKinds()) {
    SCOPED_TRACE(SceneKindName(kind));
    const SceneGenerator scene(kind, width, height, kRgb565, 3);
    std::vector<uint16_t> image(stride * rows, 0);
    scene.Render(1, image.data(), stride * sizeof(uint16_t));
    const std::vector<uint16_t> packed = scene.Render(1);
    for (uint32_t y = 0; y < rows; ++y) {
      for (uint32_t x = 0; x < stride; ++x) {
        const uint16_t expected = x < width && y < height ? packed[y * width + x] : 0;
        ASSERT_EQ(image[y * stride + x], expected) << x << "," << y;
      }
    }
  }
}

TEST(SceneGenerator, PhotoHasFarMoreThanAPaletteOfColoursAndChangesEverywhere) {
  const SceneGenerator photo(SceneKind::kPhoto, kWidth, kHeight, kRgb565, 1);
  const std::vector<uint16_t> first = photo.Render(0), second = photo.Render(1);
  EXPECT_GT(CountColours(first), 2u * 511);
  EXPECT_GT(CountColours(second), 2u * 511);
  EXPECT_GT(CountChanged(first, second), first.size() * 3 / 4);
}

TEST(SceneGenerator, InterfaceScenesUseFewColoursAndChangeLittle) {
  for (const uint32_t width : {240u, 1920u}) {
    const uint32_t height = width == 240 ? 320 : 1080;
    const SceneGenerator still(SceneKind::kStatic, width, height, kRgb565, 1);
    const SceneGenerator clock(SceneKind::kClock, width, height, kRgb565, 1);
    const SceneGenerator box(SceneKind::kBox, width, height, kRgb565, 1);
    EXPECT_LT(CountColours(still.Render(0)), 200u);
    EXPECT_EQ(still.Render(0), still.Render(9));
    const size_t clockChange = CountChanged(clock.Render(3), clock.Render(4));
    EXPECT_GT(clockChange, 0u);
    EXPECT_LT(clockChange, 2000u);
    // The box leaves one 64 x 64 square and covers another.
    const size_t boxChange = CountChanged(box.Render(3), box.Render(4));
    EXPECT_GT(boxChange, 0u);
    EXPECT_LE(boxChange, 2u * 64 * 64);
  }
}

TEST(SceneGenerator, ScrollScenesMoveTheWholeScreenUpByTheirStep) {
  for (SceneKind kind : {SceneKind::kScroll8, SceneKind::kScroll3}) {
    SCOPED_TRACE(SceneKindName(kind));
    const uint32_t step = ScrollStep(kind);
    const SceneGenerator scene(kind, kWidth, kHeight, kRgb565, 2);
    for (uint32_t frame : {0u, 40u}) {
      const std::vector<uint16_t> a = scene.Render(frame), b = scene.Render(frame + 1);
      EXPECT_NE(a, b);
      EXPECT_TRUE(std::equal(b.begin(), b.end() - step * kWidth, a.begin() + step * kWidth));
    }
  }
}

TEST(SceneGenerator, RefusesUnsupportedGeometryFormatAndStride) {
  EXPECT_FALSE(SceneGenerator::Supports(240, 320, 9));
  EXPECT_FALSE(SceneGenerator::Supports(8, 320, kRgb565));
  EXPECT_THROW(SceneGenerator(SceneKind::kStatic, 240, 320, 4), std::invalid_argument);
  const SceneGenerator scene(SceneKind::kStatic, 32, 32, kRgb565);
  std::vector<uint16_t> image(32 * 32);
  EXPECT_THROW(scene.Render(0, image.data(), 62), std::invalid_argument);
}

}  // namespace
}  // namespace mirrodex::scenes
