// Pointer input on the device picture: zoom division, clamping, the sampling timer's release
// when the cursor leaves, and the smartphone soft keys.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "desktop/app/PressTracker.h"
#include "tests/app/ScriptedLink.h"

namespace mirrodex::test {
namespace {

using app::PointerMapper;
using app::PressTracker;

class PressTrackerTest : public ::testing::Test {
 protected:
  PressTrackerTest() : tracker_(link_, [this] { return cursor_; }) {
    link_.connected = true;
    tracker_.SetClientSize({480, 640});
  }

  ScriptedLink link_;
  QPoint cursor_;
  PressTracker tracker_;
};

TEST(PointerMapperTest, DividesByTheZoomTruncatingAndNeverByZero) {
  PointerMapper mapper(2);
  EXPECT_EQ(mapper.ToDevice({101, 57}), QPoint(50, 28));
  EXPECT_EQ(mapper.ToDevice({-3, -1}), QPoint(-1, 0));
  mapper.SetZoom(0);
  EXPECT_EQ(mapper.Zoom(), 1);
  EXPECT_EQ(PointerMapper::ClampedToDevice({-4, 900}), QPoint(0, 900));
}

TEST_F(PressTrackerTest, AtZoomTwoAClickSendsTheHalvedPointWithPressAndRelease) {
  tracker_.SetZoom(2);
  tracker_.Press({101, 57});
  tracker_.Release({101, 57});
  const std::vector<SentPointer> expected{{50, 28, PointerAction::kLeftDown}, {50, 28, PointerAction::kLeftUp}};
  EXPECT_EQ(link_.pointers, expected);
}

TEST_F(PressTrackerTest, SamplingMovesWhileInsideAndReleasesOnceAtTheClampedPointWhenTheCursorLeaves) {
  tracker_.SetZoom(2);
  tracker_.Press({10, 10});
  cursor_ = {478, 639};  // the last window pixel: still inside at zoom 2
  tracker_.Sample();
  cursor_ = {-7, 700};
  tracker_.Sample();
  tracker_.Sample();                // no further moves once released
  tracker_.Release({-7, 700});      // nor a second release
  const std::vector<SentPointer> expected{{5, 5, PointerAction::kLeftDown},
                                          {239, 319, PointerAction::kMove},
                                          {0, 350, PointerAction::kLeftUp}};
  EXPECT_EQ(link_.pointers, expected);
  EXPECT_FALSE(tracker_.Holding());
}

TEST_F(PressTrackerTest, TheCursorLeavingPastTheRightEdgeReleasesAtOnceAtZoomTwo) {
  tracker_.SetZoom(2);
  tracker_.Press({100, 100});
  cursor_ = {480, 100};  // one pixel past the window; the device point (240) is still "inside" a zoom-divided test
  tracker_.Sample();
  ASSERT_EQ(link_.pointers.size(), 2u);
  EXPECT_EQ(link_.pointers[1], (SentPointer{240, 50, PointerAction::kLeftUp}));
}

TEST_F(PressTrackerTest, NothingIsSentWhileDisconnected) {
  link_.connected = false;
  tracker_.Press({1, 1});
  tracker_.Sample();
  tracker_.Release({1, 1});
  EXPECT_TRUE(link_.pointers.empty());
  EXPECT_FALSE(tracker_.Holding());
}

TEST_F(PressTrackerTest, SmartphonesSendOnlyTheSoftKeysOfTheBottomStrip) {
  for (uint16_t platform : {4, 6}) {
    link_.keys.clear();
    tracker_.SetPlatform(platform);
    tracker_.SetZoom(2);
    tracker_.Press({100, 630});
    EXPECT_FALSE(tracker_.Holding());
    tracker_.Release({100, 630});   // left half of the strip (40 window pixels at zoom 2)
    tracker_.Release({300, 601});   // right half
    tracker_.Release({300, 599});   // above the strip: nothing
    tracker_.Release({240, 620});   // exactly half the width counts as the left half
    const std::vector<SentKey> expected{{112, true}, {113, true}, {112, true}};
    EXPECT_EQ(link_.keys, expected) << "platform " << platform;
    EXPECT_TRUE(link_.pointers.empty());
  }
}

}  // namespace
}  // namespace mirrodex::test
