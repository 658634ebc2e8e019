// The demo device on a private X server, seen through the framebuffer capture: it draws,
// its counter moves on, a click recolours a button, typing fills the text field, and it
// ends cleanly on SIGTERM.

// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) break GoogleTest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "agent/capture/fb/CLinuxScrCap.h"
#include "tests/support/XvfbServer.h"
#include "tools/demo-device/DemoLayout.h"

namespace mirrodex {
namespace {

using demo::DemoLayout;
using demo::Rect;
using test::XvfbServer;

// On a 16-bit true-colour screen the pixel the server allocates for a colour is the 5-6-5
// value the capture serves; the demo's colours are these.
uint16_t ServedColour(Display* display, uint32_t rgb) {
  XColor colour{};
  colour.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 257);
  colour.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 257);
  colour.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
  XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour);
  return static_cast<uint16_t>(colour.pixel);
}

class DemoDeviceScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = XvfbServer::Start({240, 320, 16}, error);
    ASSERT_TRUE(server_) << error;
    const std::string display = server_->DisplayName();
    char* argv[] = {const_cast<char*>(MIRRODEX_DEMO_DEVICE), const_cast<char*>("--display"),
                    const_cast<char*>(display.c_str()), nullptr};
    ASSERT_EQ(posix_spawn(&demo_, MIRRODEX_DEMO_DEVICE, nullptr, nullptr, argv, environ), 0);
    input_ = XOpenDisplay(display.c_str());
    ASSERT_NE(input_, nullptr);
    capture_.emplace(FbCaptureConfig{server_->FramebufferFile(), std::nullopt});
    ASSERT_TRUE(capture_->Initialise()) << capture_->LastError();
  }

  void TearDown() override {
    if (input_ != nullptr) XCloseDisplay(input_);
    if (demo_ > 0) {
      kill(demo_, SIGTERM);
      int status = 0;
      ASSERT_EQ(waitpid(demo_, &status, 0), demo_);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
  }

  uint16_t PixelAt(int x, int y) {
    ScreenEncoder& encoder = capture_->Encoder();
    return encoder
        .CurrentImage()[static_cast<size_t>(y) * encoder.ImageStride() + static_cast<size_t>(x)];
  }
  std::vector<uint16_t> Region(const Rect& r) {
    std::vector<uint16_t> out;
    for (int y = r.y; y < r.y + r.height; ++y) {
      for (int x = r.x; x < r.x + r.width; ++x) out.push_back(PixelAt(x, y));
    }
    return out;
  }
  // Captures until `done` holds; false when it never does within a generous bound (the
  // bound only stops a broken run, it measures nothing).
  bool CaptureUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < giveUp) {
      if (!capture_->Capture()) return false;
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::unique_ptr<XvfbServer> server_;
  pid_t demo_ = -1;
  Display* input_ = nullptr;
  std::optional<CLinuxScrCap> capture_;
  const DemoLayout layout_ = DemoLayout::For(240, 320);
};

TEST_F(DemoDeviceScreen, DrawsTicksAndReactsToPointerAndKeys) {
  const Rect button = layout_.buttons[0];
  const uint16_t titleBar = ServedColour(input_, 0x204090);
  const uint16_t firstButton = ServedColour(input_, 0xC02020);
  const uint16_t oneClickLater = ServedColour(input_, 0x20A030);  // next in the button's cycle
  ASSERT_TRUE(CaptureUntil([&] {
    return PixelAt(1, 1) == titleBar && PixelAt(button.x + 2, button.y + 2) == firstButton;
  })) << "the demo device never drew its screen";

  const auto counter = Region(layout_.counter);
  EXPECT_TRUE(CaptureUntil([&] { return Region(layout_.counter) != counter; }))
      << "the counter did not change";

  XTestFakeMotionEvent(input_, 0, button.x + button.width / 2, button.y + button.height / 2, 0);
  XTestFakeButtonEvent(input_, 1, True, 0);
  XTestFakeButtonEvent(input_, 1, False, 0);
  XSync(input_, False);
  EXPECT_TRUE(CaptureUntil([&] { return PixelAt(button.x + 2, button.y + 2) == oneClickLater; }))
      << "the clicked button kept its colour";

  const auto field = Region(layout_.textField);
  const KeyCode a = XKeysymToKeycode(input_, XStringToKeysym("a"));
  ASSERT_NE(a, 0);
  XTestFakeKeyEvent(input_, a, True, 0);
  XTestFakeKeyEvent(input_, a, False, 0);
  XSync(input_, False);
  EXPECT_TRUE(CaptureUntil([&] { return Region(layout_.textField) != field; }))
      << "typing left the text field as it was";
}

}  // namespace
}  // namespace mirrodex
