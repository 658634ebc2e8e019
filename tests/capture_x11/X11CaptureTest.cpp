// The X11 fallback capture against private X servers: bands of known colours drawn on the
// root window come back as the expected 5-6-5 pixels, through shared memory and through
// plain image requests, full size and halved; the choice falls to it when no framebuffer
// opens; a server that goes away is a failed capture, not the end of the process.

// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) break GoogleTest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include <memory>
#include <vector>

#include "agent/capture/fb/CLinuxScrCap.h"
#include "agent/capture/x11/CX11Capture.h"
#include "agent/capture/x11/CaptureChoice.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using test::XvfbServer;

struct Swatch {
  unsigned long pixel;  // as the server's visual codes it
  uint16_t served;      // what the capture must serve
};

struct ScreenCase {
  uint32_t depth;
  bool sharedMemory;
  std::vector<Swatch> swatches;
};

void PrintTo(const ScreenCase& c, std::ostream* out) {
  *out << "depth " << c.depth << (c.sharedMemory ? " shm" : " plain");
}

const std::vector<Swatch> kTrueColour = {{0xFF0000, 0xF800}, {0x00FF00, 0x07E0}, {0x0000FF, 0x001F},
                                         {0xFFFFFF, 0xFFFF}, {0x123456, 0x11AA}, {0x808080, 0x8410},
                                         {0x07030F, 0x0001}, {0x000000, 0x0000}};

class ScreenFixture {
 public:
  [[nodiscard]] bool Start(uint32_t width, uint32_t height, uint32_t depth, std::string& error) {
    server_ = XvfbServer::Start({width, height, depth}, error);
    if (!server_) return false;
    display_ = XOpenDisplay(server_->DisplayName().c_str());
    width_ = width;
    if (display_ == nullptr) error = "cannot connect to " + server_->DisplayName();
    return display_ != nullptr;
  }
  ~ScreenFixture() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  // Fills one band of rows per swatch, top to bottom, and waits until drawn.
  void DrawBands(const std::vector<Swatch>& swatches, uint32_t band) {
    const Window root = DefaultRootWindow(display_);
    GC gc = XCreateGC(display_, root, 0, nullptr);
    for (size_t i = 0; i < swatches.size(); ++i) {
      XSetForeground(display_, gc, swatches[i].pixel);
      XFillRectangle(display_, root, gc, 0, static_cast<int>(i * band), width_, band);
    }
    XFreeGC(display_, gc);
    XSync(display_, False);
  }

  XvfbServer& Server() { return *server_; }
  // Ends the server after closing this connection, which would otherwise end the process.
  void StopServer() {
    XCloseDisplay(display_);
    display_ = nullptr;
    server_->Stop();
  }

 private:
  std::unique_ptr<XvfbServer> server_;
  Display* display_ = nullptr;
  uint32_t width_ = 0;
};

uint16_t PixelAt(CScreenCap& cap, uint32_t x, uint32_t y) {
  return cap.Encoder().CurrentImage()[size_t{y} * cap.Encoder().ImageStride() + x];
}

// Every row of each band, at its first and last column, holds the band's served pixel.
void ExpectBands(CScreenCap& cap, const std::vector<Swatch>& swatches, uint32_t band) {
  for (size_t i = 0; i < swatches.size(); ++i) {
    for (uint32_t y = static_cast<uint32_t>(i) * band; y < (i + 1) * band; ++y) {
      ASSERT_EQ(PixelAt(cap, 0, y), swatches[i].served) << "band " << i << " row " << y;
      ASSERT_EQ(PixelAt(cap, cap.State().width - 1, y), swatches[i].served)
          << "band " << i << " row " << y;
    }
  }
}

class X11Capture : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(X11Capture, MirrorsTheScreenAsFiveSixFiveAndFollowsChanges) {
  const ScreenCase& c = GetParam();
  ScreenFixture screen;
  std::string error;
  ASSERT_TRUE(screen.Start(800, 480, c.depth, error)) << error;
  const uint32_t band = 480 / static_cast<uint32_t>(c.swatches.size());
  screen.DrawBands(c.swatches, band);

  CX11Capture cap({screen.Server().DisplayName(), std::nullopt, c.sharedMemory});
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.UsesSharedMemory(), c.sharedMemory);
  EXPECT_EQ(cap.State().width, 800u);
  EXPECT_EQ(cap.State().height, 480u);
  EXPECT_EQ(cap.State().colourFormat, 6);
  EXPECT_EQ(cap.State().yPitch, 1600);
  EXPECT_EQ(cap.State().scaleMode, ScaleMode::kAsIs);
  EXPECT_EQ(cap.State().deviceFlags, 0);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  ExpectBands(cap, c.swatches, band);

  const std::vector<Swatch> reversed(c.swatches.rbegin(), c.swatches.rend());
  screen.DrawBands(reversed, band);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  ExpectBands(cap, reversed, band);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, X11Capture,
    ::testing::Values(
        ScreenCase{24, true, kTrueColour}, ScreenCase{24, false, kTrueColour},
        ScreenCase{16, true, {{0xF800, 0xF800}, {0x07E0, 0x07E0}, {0x1234, 0x1234}}},
        // 5-5-5 is widened to 5-6-5: green gains a zero low bit.
        ScreenCase{
            15, false, {{0x7C00, 0xF800}, {0x03E0, 0x07C0}, {0x7FFF, 0xFFDF}, {0x1234, 0x2454}}}),
    [](const ::testing::TestParamInfo<ScreenCase>& info) {
      return "Depth" + std::to_string(info.param.depth) +
             (info.param.sharedMemory ? "Shm" : "Plain");
    });

TEST(X11CaptureHalved, HighResolutionScreenIsServedHalvedByAveraging) {
  ScreenFixture screen;
  std::string error;
  ASSERT_TRUE(screen.Start(480, 640, 24, error)) << error;
  // Bands of an even number of rows: every 2 x 2 square averages to its band's colour.
  const std::vector<Swatch> bands = {{0xFF0000, 0xF800}, {0x0000FF, 0x001F}, {0xFFFFFF, 0xFFFF}};
  screen.DrawBands(bands, 64);
  CX11Capture cap({screen.Server().DisplayName(), 192, true});
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().scaleMode, ScaleMode::kHalved);
  EXPECT_EQ(cap.State().width, 240u);
  EXPECT_EQ(cap.State().height, 320u);
  EXPECT_EQ(cap.State().deviceFlags, kCaptureFlagHighResolution);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  ExpectBands(cap, bands, 32);
}

TEST(X11CaptureChoice, TakesTheXDisplayWhenNoFramebufferOpens) {
  ScreenFixture screen;
  std::string error;
  ASSERT_TRUE(screen.Start(320, 240, 24, error)) << error;
  screen.DrawBands({{0x00FF00, 0x07E0}}, 240);
  std::string reason;
  auto cap = ChooseScreenCap({"", "/nonexistent/fb0", screen.Server().DisplayName(), 0}, &reason);
  ASSERT_NE(dynamic_cast<CX11Capture*>(cap.get()), nullptr) << reason;
  EXPECT_NE(reason.find("/nonexistent/fb0"), std::string::npos) << reason;
  ASSERT_TRUE(cap->Initialise()) << cap->LastError();
  ASSERT_TRUE(cap->Capture()) << cap->LastError();
  EXPECT_EQ(PixelAt(*cap, 319, 239), 0x07E0);

  // A framebuffer that opens, or one the user named, is the framebuffer's.
  auto live =
      ChooseScreenCap({"", screen.Server().FramebufferFile(), screen.Server().DisplayName(), 0});
  EXPECT_NE(dynamic_cast<CLinuxScrCap*>(live.get()), nullptr);
  auto named = ChooseScreenCap({"/nonexistent/fb1", "", screen.Server().DisplayName(), 0});
  ASSERT_NE(dynamic_cast<CLinuxScrCap*>(named.get()), nullptr);
  EXPECT_FALSE(named->Initialise());
  EXPECT_NE(named->LastError().find("/nonexistent/fb1"), std::string::npos) << named->LastError();
  // Without a display there is nothing to fall back to.
  auto none = ChooseScreenCap({"", "/nonexistent/fb0", "", 0});
  EXPECT_NE(dynamic_cast<CLinuxScrCap*>(none.get()), nullptr);
}

TEST(X11CaptureFailures, MissingDisplayAndVanishedServerAreReported) {
  CX11Capture missing({"unix:4093", std::nullopt, true});
  EXPECT_FALSE(missing.Initialise());
  EXPECT_EQ(missing.LastError(), "cannot open the X display \"unix:4093\"");

  ScreenFixture screen;
  std::string error;
  ASSERT_TRUE(screen.Start(240, 320, 24, error)) << error;
  CX11Capture cap({screen.Server().DisplayName(), std::nullopt, true});
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  screen.StopServer();
  EXPECT_FALSE(cap.Capture());
  EXPECT_EQ(cap.LastError(), "the X display closed");
  EXPECT_FALSE(cap.Capture());
  cap.Close();
}

}  // namespace
}  // namespace mirrodex
