#include "TempSettingsFixture.h"

namespace mirrodex {
namespace {

using WindowPlacementStore = test::TempSettingsFixture;

constexpr QSize kScreen{1024, 768};  // corrected y: 768 / 2 - 170 = 214

TEST_F(WindowPlacementStore, PositionsComeBackOnScreen) {
  EXPECT_EQ(store_.ReadWindowPosition(kScreen), QPoint(100, 214));  // never placed
  EXPECT_EQ(store_.ReadWindowPosition(QSize(320, 240)), QPoint(100, 0));
  const std::pair<QPoint, QPoint> cases[] = {
      {{5000, 10}, {100, 10}}, {{1024, 10}, {100, 10}}, {{1023, 767}, {1023, 767}},
      {{-30, 10}, {100, 10}},  {{-25, 10}, {-25, 10}},  {{10, -30}, {10, 214}},
      {{10, -10}, {10, 0}},    {{10, 900}, {10, 214}},
  };
  for (const auto& [stored, expected] : cases) {
    ASSERT_TRUE(store_.WriteWindowPosition(stored));
    EXPECT_EQ(store_.ReadWindowPosition(kScreen), expected) << stored.x() << ',' << stored.y();
  }
}

TEST_F(WindowPlacementStore, PlacementsAreKeptPerWindowWithSizesAsStored) {
  EXPECT_EQ(store_.ReadWindowPlacement(7, kScreen), (WindowPlacement{100, 214, 0, 0}));
  ASSERT_TRUE(store_.WriteWindowPlacement(5, {10, 20, 300, -4}));
  ASSERT_TRUE(store_.WriteWindowPlacement(50, {5000, 30, 640, 480}));
  EXPECT_EQ(store_.ReadWindowPlacement(5, kScreen), (WindowPlacement{10, 20, 300, -4}));
  EXPECT_EQ(store_.ReadWindowPlacement(50, kScreen), (WindowPlacement{100, 30, 640, 480}));
  EXPECT_TRUE(FileText().contains("X5=10"));
  EXPECT_EQ(store_.ReadWindowPosition(kScreen), QPoint(100, 214));
}

}  // namespace
}  // namespace mirrodex
