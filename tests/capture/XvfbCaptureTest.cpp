// Capture of a live X server's screen through its XWD framebuffer file: rectangles of known
// colours drawn with Xlib on the root window come back as the expected served pixels.

// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) break GoogleTest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include <memory>

#include "agent/capture/fb/CLinuxScrCap.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using test::XvfbServer;

struct Swatch {
  unsigned long pixel;  // as the server's visual codes it
  uint16_t served;      // what the capture must serve
};

struct DepthCase {
  uint32_t width, height, depth;
  uint16_t format;
  std::vector<Swatch> swatches;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DepthCase& c, std::ostream* out) {
  *out << c.width << "x" << c.height << "x" << c.depth;
}

class XvfbCapture : public ::testing::TestWithParam<DepthCase> {
 protected:
  void SetUp() override {
    const DepthCase& c = GetParam();
    std::string error;
    server_ = XvfbServer::Start({c.width, c.height, c.depth}, error);
    ASSERT_TRUE(server_) << error;
    display_ = XOpenDisplay(server_->DisplayName().c_str());
    ASSERT_NE(display_, nullptr) << "cannot connect to " << server_->DisplayName();
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
    if (server_) {
      EXPECT_TRUE(server_->Stop()) << "Xvfb did not end on SIGTERM";
    }
  }

  // Fills a band of the root window per swatch, top to bottom, and waits until drawn.
  void DrawBands(const std::vector<Swatch>& swatches, uint32_t bandHeight) {
    const Window root = DefaultRootWindow(display_);
    GC gc = XCreateGC(display_, root, 0, nullptr);
    for (size_t i = 0; i < swatches.size(); ++i) {
      XSetForeground(display_, gc, swatches[i].pixel);
      XFillRectangle(display_, root, gc, 0, static_cast<int>(i * bandHeight), GetParam().width,
                     bandHeight);
    }
    XFreeGC(display_, gc);
    XSync(display_, False);
  }

  std::unique_ptr<XvfbServer> server_;
  Display* display_ = nullptr;
};

TEST_P(XvfbCapture, ServesWhatWasDrawnAndFollowsChanges) {
  const DepthCase& c = GetParam();
  const uint32_t band = c.height / static_cast<uint32_t>(c.swatches.size());
  DrawBands(c.swatches, band);

  CLinuxScrCap cap(FbCaptureConfig{server_->FramebufferFile(), std::nullopt});
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().width, c.width);
  EXPECT_EQ(cap.State().height, c.height);
  EXPECT_EQ(cap.State().colourFormat, c.format);
  EXPECT_EQ(cap.State().scaleMode, ScaleMode::kAsIs);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  auto pixelAt = [&cap](uint32_t x, uint32_t y) {
    return cap.Encoder().CurrentImage()[size_t{y} * cap.Encoder().ImageStride() + x];
  };
  for (size_t i = 0; i < c.swatches.size(); ++i) {
    const uint32_t y = static_cast<uint32_t>(i) * band;
    EXPECT_EQ(pixelAt(0, y), c.swatches[i].served) << "band " << i;
    EXPECT_EQ(pixelAt(c.width - 1, y + band - 1), c.swatches[i].served) << "band " << i;
  }

  // The file is live: a new drawing shows in the next capture without setting up again.
  std::vector<Swatch> reversed(c.swatches.rbegin(), c.swatches.rend());
  DrawBands(reversed, band);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  EXPECT_EQ(pixelAt(c.width / 2, 0), reversed[0].served);
  EXPECT_EQ(pixelAt(c.width / 2, c.height - 1 - (c.height % band)), reversed.back().served);
}

INSTANTIATE_TEST_SUITE_P(Depths, XvfbCapture,
                         ::testing::Values(DepthCase{240,
                                                     320,
                                                     16,
                                                     6,
                                                     {{0xF800, 0xF800},
                                                      {0x07E0, 0x07E0},
                                                      {0x001F, 0x001F},
                                                      {0x8410, 0x8410},
                                                      {0xFFFF, 0xFFFF},
                                                      {0x0000, 0x0000},
                                                      {0x1234, 0x1234}}},
                                           DepthCase{240,
                                                     320,
                                                     15,
                                                     5,
                                                     {{0x7C00, 0x7C00},
                                                      {0x03E0, 0x03E0},
                                                      {0x001F, 0x001F},
                                                      {0x7FFF, 0x7FFF},
                                                      {0x1234, 0x1234}}},
                                           DepthCase{800,
                                                     480,
                                                     24,
                                                     6,
                                                     {{0xFF0000, 0xF800},
                                                      {0x00FF00, 0x07E0},
                                                      {0x0000FF, 0x001F},
                                                      {0xFFFFFF, 0xFFFF},
                                                      {0x123456, 0x11AA},
                                                      {0x808080, 0x8410},
                                                      {0x07030F, 0x0001},
                                                      {0, 0}}}),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) + "x" +
                                  std::to_string(info.param.depth);
                         });

}  // namespace
}  // namespace mirrodex
