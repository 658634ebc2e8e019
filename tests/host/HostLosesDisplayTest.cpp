// mirrodex-host capturing a private Xvfb (no framebuffer), with the desktop session layer on the
// product ports, while its X server goes away: the capture, the typing and the clipboard owner
// thread all had their connections open. The host then stops at once on SIGTERM, or ends by
// itself with a message when it finds that it can no longer set its screen up.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) break GoogleTest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include "protocol/Requests.h"
#include "tests/agent/DesktopPeer.h"
#include "tests/host/HostProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;
const std::string kHost = std::string(MIRRODEX_BIN_DIR) + "/mirrodex-host";

class HostLosesDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    if (::access("/dev/fb0", F_OK) == 0) GTEST_SKIP() << "the host would capture /dev/fb0";
    std::string error;
    xvfb = test::XvfbServer::Start({240, 320, 24}, error);
    ASSERT_TRUE(xvfb) << error;
    display.emplace("DISPLAY", xvfb->DisplayName());
    framebuffer.emplace("MIRRODEX_FBDEV", std::nullopt);
    desktop = std::make_unique<test::DesktopPeer>();
    desktop->Listen();
  }

  // Starts the host and has it capture, type a character on no key and own the clipboard.
  void StartAndUseTheDisplay(const std::string& retrySeconds) {
    host = std::make_unique<test::HostProcess>(
        kHost, std::vector<std::string>{"-b127.0.0.1", "--retry", retrySeconds});
    ASSERT_TRUE(desktop->WaitFrame(0)) << host->Log();
    desktop->controller->QueueKey(0xE9, false);
    const std::vector<uint8_t> text = {'h', 0, 'i', 0, 0, 0};
    ASSERT_TRUE(desktop->controller->QueueRequest(kRequestSetClipboard, text));
    ASSERT_TRUE(WaitForDisplay([](Display* d) {
      return XGetSelectionOwner(d, XInternAtom(d, "CLIPBOARD", False)) != None &&
             XKeysymToKeycode(d, 0xE9) != 0;
    })) << "the host did not type or take the clipboard: " << host->Log();
  }

  // Asks fresh connections until `holds` is true; false after 20 s.
  bool WaitForDisplay(bool (*holds)(Display*)) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      Display* d = XOpenDisplay(xvfb->DisplayName().c_str());
      const bool held = d != nullptr && holds(d);
      if (d != nullptr) XCloseDisplay(d);
      if (held) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::unique_ptr<test::XvfbServer> xvfb;
  std::optional<test::ScopedEnv> display, framebuffer;
  std::unique_ptr<test::DesktopPeer> desktop;
  std::unique_ptr<test::HostProcess> host;
};

TEST_F(HostLosesDisplay, StopsPromptlyOnSigtermAfterItsServerWent) {
  StartAndUseTheDisplay("0");
  xvfb->Stop();
  EXPECT_EQ(host->Stop(15000), 0) << host->Log();
}

TEST_F(HostLosesDisplay, EndsWithAMessageWhenItCannotSetItsScreenUpAgain) {
  StartAndUseTheDisplay("1");
  xvfb->Stop();
  EXPECT_EQ(host->Wait(20000), 1) << host->Log();
  EXPECT_NE(host->Log().find("the agent cannot capture the screen any more"), std::string::npos)
      << host->Log();
}

}  // namespace
}  // namespace mirrodex
