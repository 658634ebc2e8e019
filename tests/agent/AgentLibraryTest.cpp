// libMirrodex.so as a host or the bridge loads it, on a private Xvfb screen, against the
// desktop session layer on the product ports (these tests hold the ports' resource lock).
#include <dlfcn.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "agent/Mirrodex.h"
#include "tests/agent/AgentTestSupport.h"
#include "tests/agent/DesktopPeer.h"
#include "tests/host/ScreenPainter.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SocketPairStream.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;
// Stopping must take about 1.5 s; checked generously for a loaded machine.
constexpr auto kStopBound = std::chrono::seconds(6);

class AgentLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!test::XvfbServer::Available()) return;
    std::string error;
    xvfb = test::XvfbServer::Start({240, 320, 16}, error).release();
    if (xvfb == nullptr) return;
    // The library reads its environment when it is loaded.
    ::setenv("MIRRODEX_FBDEV", xvfb->FramebufferFile().c_str(), 1);
    handle = ::dlopen(MIRRODEX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  }
  static void TearDownTestSuite() {
    if (handle != nullptr) ::dlclose(handle);
    delete xvfb;
  }
  void SetUp() override {
    if (xvfb == nullptr) GTEST_SKIP() << "no Xvfb";
    ASSERT_NE(handle, nullptr) << ::dlerror();
    screen = reinterpret_cast<FnMirrodexStream>(::dlsym(handle, "fnMirrodex1"));
    command = reinterpret_cast<FnMirrodexStream>(::dlsym(handle, "fnMirrodex2"));
    startStop = reinterpret_cast<FnMirrodex3>(::dlsym(handle, "fnMirrodex3"));
    setUp = reinterpret_cast<FnMirrodex4>(::dlsym(handle, "fnMirrodex4"));
    stopFlag = reinterpret_cast<FnMirrodex5>(::dlsym(handle, "fnMirrodex5"));
    ASSERT_TRUE(screen && command && startStop && setUp && stopFlag);
    painter = std::make_unique<test::ScreenPainter>(xvfb->DisplayName(), 240, 320);
    ASSERT_TRUE(painter->Ok());
  }

  static inline test::XvfbServer* xvfb = nullptr;
  static inline void* handle = nullptr;
  FnMirrodexStream screen = nullptr, command = nullptr;
  FnMirrodex3 startStop = nullptr;
  FnMirrodex4 setUp = nullptr;
  FnMirrodex5 stopFlag = nullptr;
  std::unique_ptr<test::ScreenPainter> painter;
};

void IgnoreCode(uint32_t) {}

TEST_F(AgentLibrary, ExportsFollowTheLifecycleFromLoadToShutdown) {
  EXPECT_EQ(stopFlag(), 1);
  int32_t bounds[4] = {-1, -1, -1, -1};
  EXPECT_EQ(setUp(nullptr, bounds, nullptr), 0);  // before set-up: no geometry yet
  EXPECT_EQ(bounds[2], 0);
  ASSERT_EQ(setUp(IgnoreCode, bounds, nullptr), 0);
  EXPECT_EQ(bounds[2], 240);
  EXPECT_EQ(bounds[3], 320);
  int32_t again[4] = {};
  EXPECT_EQ(setUp(nullptr, again, nullptr), 0);  // reports only
  EXPECT_EQ(again[2], 240);
  EXPECT_EQ(stopFlag(), 1);

  painter->PaintScene(3);
  test::DesktopPeer desktop;
  desktop.Listen();
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  uint8_t started = 1;
  while (Clock::now() < deadline && !desktop.controller->BothConnected()) {
    started = startStop(1, u"127.0.0.1");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_EQ(started, 0);
  EXPECT_EQ(stopFlag(), 0);
  EXPECT_TRUE(desktop.WaitPicture(painter->Expected()));
  const auto stopStart = Clock::now();
  EXPECT_EQ(startStop(0, nullptr), 1);
  EXPECT_LT(Clock::now() - stopStart, kStopBound);
  EXPECT_EQ(stopFlag(), 1);
  EXPECT_EQ(setUp(nullptr, nullptr, nullptr), 0);
}

TEST_F(AgentLibrary, StreamExportsRunOverStreamsAndEndWhenTheStreamsClose) {
  painter->PaintScene(4);
  test::TestSocket agentScreenEnd, agentCommandEnd;
  test::SocketPairStream desktopScreen(agentScreenEnd), desktopCommand(agentCommandEnd);
  test::SocketPairStream agentScreen(test::SocketPairStream::OtherEnd{agentScreenEnd});
  test::SocketPairStream agentCommand(test::SocketPairStream::OtherEnd{agentCommandEnd});
  // After the streams, so that its sessions stop before the streams they use are gone.
  test::DesktopPeer desktop;
  desktop.Listen(true);
  desktop.controller->AttachStreams(&desktopScreen, &desktopCommand);
  auto screenRun = std::async(std::launch::async, [&] {
    return screen(0, nullptr, nullptr, nullptr, &agentScreen);
  });
  auto commandRun = std::async(std::launch::async, [&] {
    return command(0, nullptr, nullptr, nullptr, &agentCommand);
  });
  EXPECT_TRUE(desktop.WaitPicture(painter->Expected()));
  agentScreen.Close();
  agentCommand.Close();
  ASSERT_EQ(screenRun.wait_for(kStopBound), std::future_status::ready);
  ASSERT_EQ(commandRun.wait_for(kStopBound), std::future_status::ready);
  EXPECT_EQ(screenRun.get(), 0);
  EXPECT_EQ(commandRun.get(), 0);
  // The desktop's sessions may still hold their streams; they go before the streams do.
  desktop.controller.reset();
}

}  // namespace
}  // namespace mirrodex
