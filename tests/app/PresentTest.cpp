// The present step and the frame store: straight and re-orienting copies, pitches that would
// read outside the picture, and one notice per unread picture.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include "desktop/app/AppEvents.h"
#include "desktop/app/FramePresenter.h"
#include "desktop/app/FrameStore.h"
#include "desktop/app/SessionBridge.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/session/ScreenDecoder.h"

namespace mirrodex::test {
namespace {

using app::Frame;
using app::SurfacePixel;

// A w x h picture whose pixel i holds the value i + 1 (kept below 0x8000).
Frame Numbered(uint32_t w, uint32_t h, int16_t xPitch, int16_t yPitch, bool reoriented) {
  Frame f;
  f.width = w;
  f.height = h;
  f.xPitch = xPitch;
  f.yPitch = yPitch;
  f.reoriented = reoriented;
  for (uint32_t i = 0; i < w * h; ++i) f.pixels.push_back(static_cast<uint16_t>(i + 1));
  return f;
}

uint32_t At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

TEST(PresentTest, StraightCopyKeepsEveryPixelWhereItIs) {
  const Frame f = Numbered(5, 3, 2, 10, false);
  QImage surface;
  ASSERT_TRUE(app::PresentFrame(f, surface));
  ASSERT_EQ(surface.size(), QSize(5, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(surface, x, y), SurfacePixel(f.pixels[y * 5 + x]));
}

TEST(PresentTest, ReorientingCopyTurnsTheLandscapePictureHalfWayRound) {
  const Frame f = Numbered(4, 3, 2, 8, true);  // px 1, py 4
  QImage surface;
  ASSERT_TRUE(app::PresentFrame(f, surface));
  EXPECT_EQ(At(surface, 0, 0), SurfacePixel(f.pixels[11]));
  EXPECT_EQ(At(surface, 3, 2), SurfacePixel(f.pixels[0]));
  EXPECT_EQ(At(surface, 1, 0), SurfacePixel(f.pixels[10]));
}

TEST(PresentTest, NegativePitchesReadOnlyInsideThePicture) {
  // A bottom-up device (negative y pitch) and a right-to-left one: every index is shifted
  // into the picture, so the copy mirrors instead of reading before its start.
  const Frame up = Numbered(4, 3, 2, -8, true);
  QImage surface;
  ASSERT_TRUE(app::PresentFrame(up, surface));
  EXPECT_EQ(At(surface, 0, 0), SurfacePixel(up.pixels[3]));   // base 8: row 2 - 2 = 0, column 3
  EXPECT_EQ(At(surface, 3, 2), SurfacePixel(up.pixels[8]));
  const Frame left = Numbered(4, 3, -2, -8, true);
  ASSERT_TRUE(app::PresentFrame(left, surface));
  EXPECT_EQ(At(surface, 0, 0), SurfacePixel(left.pixels[0]));
  EXPECT_EQ(At(surface, 3, 2), SurfacePixel(left.pixels[11]));
}

TEST(PresentTest, PitchesThatReachPastThePictureFallBackToTheStraightCopy) {
  int64_t base = 0;
  EXPECT_FALSE(app::ReorientFits(4, 3, 2, 100, base));
  EXPECT_FALSE(app::ReorientFits(4, 3, -32768, 32767, base));
  EXPECT_TRUE(app::ReorientFits(4, 3, -2, -8, base));
  EXPECT_EQ(base, 11);
  const Frame f = Numbered(4, 3, 2, 32766, true);
  QImage surface;
  ASSERT_TRUE(app::PresentFrame(f, surface));  // runs under ASan: no read outside
  EXPECT_EQ(At(surface, 0, 0), SurfacePixel(f.pixels[0]));
}

TEST(PresentTest, AFrameWithoutPixelsLeavesTheSurfaceAlone) {
  Frame f = Numbered(4, 3, 2, 8, false);
  f.pixels.resize(5);
  QImage surface(2, 2, app::kSurfaceFormat);
  EXPECT_FALSE(app::PresentFrame(f, surface));
  EXPECT_FALSE(app::PresentFrame(Frame{}, surface));
  EXPECT_EQ(surface.size(), QSize(2, 2));
}

TEST(PresentTest, SurfacePixelsWidenEachChannelToEightBits) {
  EXPECT_EQ(SurfacePixel(0x7FFF), 0xFFFFFFFFu);
  EXPECT_EQ(SurfacePixel(0x0000), 0xFF000000u);
  EXPECT_EQ(SurfacePixel(0x7C00), 0xFFFF0000u);
  EXPECT_EQ(SurfacePixel(0x0010), 0xFF000084u);
}

TEST(FrameStoreTest, OneNoticePerUnreadPictureAndReadersSeeTheLatest) {
  app::FrameStore store;
  EXPECT_FALSE(store.Read([](const Frame&) { FAIL(); }));
  EXPECT_TRUE(store.Publish(Numbered(2, 2, 2, 4, false)));
  EXPECT_FALSE(store.Publish(Numbered(3, 1, 2, 6, false)));  // the first notice is unread
  uint32_t width = 0;
  EXPECT_TRUE(store.Read([&](const Frame& f) { width = f.width; }));
  EXPECT_EQ(width, 3u);
  EXPECT_EQ(store.Sequence(), 2u);
  EXPECT_TRUE(store.Publish(Numbered(1, 1, 2, 2, false)));
}

class EventSink : public QObject {
 public:
  bool event(QEvent* e) override {
    types.push_back(e->type());
    if (e->type() == app::kSessionEventEvent) params.push_back(static_cast<app::SessionEventEvent*>(e)->Param());
    return true;
  }
  std::vector<QEvent::Type> types;
  std::vector<int> params;
};

TEST(SessionBridgeTest, PostsSessionEventsAndOnePictureNoticeAndDropsThemWithoutTargets) {
  app::FrameStore store;
  ScreenDecoder decoder;
  ASSERT_TRUE(decoder.ResetGeometry(MakeDeviceInfo(16, 8, kColourRgb565)));
  ReplyDispatcher dispatcher;
  app::SessionBridge bridge(store, decoder, dispatcher);
  EventSink frame, screen;
  bridge.OnFrameComplete();  // no target yet: dropped, nothing leaks
  bridge.SetTargets(&frame, &screen);
  bridge.OnEvent(kEventConnected);
  bridge.OnEvent(kEventError);
  store.Read([](const Frame&) {});
  bridge.OnFrameComplete();
  bridge.OnFrameComplete();
  bridge.ShowError("Failed to create connection", "Error");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(frame.params, (std::vector<int>{app::kSessionChanged, app::kSessionLost}));
  EXPECT_EQ(frame.types.back(), app::kSessionMessageEvent);
  EXPECT_EQ(screen.types, std::vector<QEvent::Type>{app::kFrameCompleteEvent});
  EXPECT_EQ(store.Sequence(), 3u);
  bridge.SetTargets(nullptr, nullptr);
  bridge.OnEvent(kEventEnded);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(frame.params.size(), 2u);
}

}  // namespace
}  // namespace mirrodex::test
