// mirrodex-host as a process on a private Xvfb screen, with the desktop session layer as the
// desktop on the product ports (these tests hold the ports' resource lock).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "tests/agent/AgentTestSupport.h"
#include "tests/agent/DesktopPeer.h"
#include "tests/host/HostProcess.h"
#include "tests/host/ScreenPainter.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;
const std::string kHost = std::string(MIRRODEX_BIN_DIR) + "/mirrodex-host";

// Writes the wake-up byte to 127.0.0.1:3950 from the given local address.
bool SendWakeUpFrom(const char* source) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, source, &local.sin_addr);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(3950);
  ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
  const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                  ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                  ::send(fd, "a", 1, MSG_NOSIGNAL) == 1;
  ::close(fd);
  return ok;
}

class HostOnScreen : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    xvfb = test::XvfbServer::Start({240, 320, GetParam()}, error);
    ASSERT_TRUE(xvfb) << error;
    painter = std::make_unique<test::ScreenPainter>(xvfb->DisplayName(), 240, 320);
    ASSERT_TRUE(painter->Ok());
    desktop = std::make_unique<test::DesktopPeer>();
    desktop->Listen();
  }
  void TearDown() override {
    if (host) {
      EXPECT_EQ(host->Stop(), 0) << host->Log();
    }
    host.reset();
    desktop.reset();
  }
  void StartHost(std::vector<std::string> args) {
    args.push_back("--fb");
    args.push_back(xvfb->FramebufferFile());
    host = std::make_unique<test::HostProcess>(kHost, args);
  }
  bool WaitListening() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      if (host->Log().find("waiting for wake-ups") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::unique_ptr<test::XvfbServer> xvfb;
  std::unique_ptr<test::ScreenPainter> painter;
  std::unique_ptr<test::DesktopPeer> desktop;
  std::unique_ptr<test::HostProcess> host;
};

TEST_P(HostOnScreen, ImageEqualsTheScreenChangesArriveAndStopThenRetryReconnects) {
  painter->PaintScene(1);
  StartHost({"-b127.0.0.1", "--retry", "1"});
  ASSERT_TRUE(desktop->WaitPicture(painter->Expected())) << host->Log();
  painter->Fill(10, 20, 50, 40, 0, 63, 31);
  ASSERT_TRUE(desktop->WaitPicture(painter->Expected())) << host->Log();
  // The desktop's Stop: the host sees the sessions end and connects again on its retry.
  desktop->controller->StopSessions();
  desktop->controller->CreateSessions(false);
  const uint32_t frames = desktop->Frames();
  painter->Fill(100, 200, 30, 30, 31, 63, 31);
  ASSERT_TRUE(desktop->WaitFrame(frames)) << host->Log();
  EXPECT_TRUE(desktop->WaitPicture(painter->Expected())) << host->Log();
}

TEST_P(HostOnScreen, WakeUpFromAnAllowedAddressConnectsAndOthersAreIgnored) {
  painter->PaintScene(2);
  StartHost({"--allow", "127.0.0.1", "--retry", "0"});
  ASSERT_TRUE(WaitListening()) << host->Log();
  ASSERT_TRUE(SendWakeUpFrom("127.0.0.2"));
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (host->Log().find("ignored") == std::string::npos && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(host->Log().find("127.0.0.2 ignored"), std::string::npos) << host->Log();
  EXPECT_FALSE(desktop->controller->IsConnected());
  ASSERT_TRUE(desktop->controller->WakeDevice("127.0.0.1"));
  EXPECT_TRUE(desktop->WaitPicture(painter->Expected())) << host->Log();
}

TEST_P(HostOnScreen, WakeUpFromTheSameDesktopRestartsAnOpeningThatNeverCompleted) {
  painter->PaintScene(3);
  // First a desktop that takes the connections and never answers, then dies silently: its
  // connections stay open, and nothing ever fails them.
  desktop.reset();
  test::TestSocket silentCommand, silentScreen;
  {
    test::Listener commandListener(3937), screenListener(3938);
    ASSERT_TRUE(commandListener.Ok() && screenListener.Ok());
    StartHost({"-b127.0.0.1", "--retry", "0"});
    silentCommand = commandListener.Accept(20000);
    silentScreen = screenListener.Accept(20000);
    uint8_t info[28];
    ASSERT_TRUE(silentScreen.ReceiveExact(info, sizeof info, 20000)) << host->Log();
  }
  // A new desktop on the same address wakes the device and must be served.
  desktop = std::make_unique<test::DesktopPeer>();
  desktop->Listen();
  ASSERT_TRUE(desktop->controller->WakeDevice("127.0.0.1"));
  EXPECT_TRUE(desktop->WaitPicture(painter->Expected())) << host->Log();
}

TEST_P(HostOnScreen, IdleConnectionsToTheWakePortDoNotHoldUpARealWakeUp) {
  painter->PaintScene(4);
  StartHost({"--retry", "0"});
  ASSERT_TRUE(WaitListening()) << host->Log();
  // Thirty connections that never send their byte, all made at once (the connects do not
  // wait for the host to accept them).
  std::vector<test::TestSocket> idlers;
  sockaddr_in port{};
  port.sin_family = AF_INET;
  port.sin_port = htons(3950);
  port.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int i = 0; i < 30; ++i) {
    idlers.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    ASSERT_TRUE(idlers.back().IsOpen());
    (void)::connect(idlers.back().Fd(), reinterpret_cast<sockaddr*>(&port), sizeof port);
  }
  ASSERT_TRUE(desktop->controller->WakeDevice("127.0.0.1"));
  // Served one by one with a wait each, the idlers held a wake-up up for twenty seconds and
  // more; the picture comes well within half that.
  EXPECT_TRUE(desktop->WaitPicture(painter->Expected(), 10000)) << host->Log();
}

INSTANTIATE_TEST_SUITE_P(Depths, HostOnScreen, ::testing::Values(16u, 24u),
                         [](const auto& info) { return "Depth" + std::to_string(info.param); });

TEST(HostStartup, SaysWhatIsWrong) {
  {
    test::HostProcess host(kHost, {"-bno-such-host.invalid"});
    EXPECT_EQ(host.Wait(10000), 1);
    EXPECT_NE(host.Log().find("bad address \"no-such-host.invalid\""), std::string::npos) << host.Log();
  }
  {
    test::HostProcess host(kHost, {"--allow", "1.2.3.4/40"});
    EXPECT_EQ(host.Wait(10000), 1);
    EXPECT_NE(host.Log().find("bad network"), std::string::npos) << host.Log();
  }
  {
    const int busy = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(3950);
    // Earlier wake-ups leave connections on 3950 in TIME_WAIT; they must not stop this bind.
    const int on = 1;
    ::setsockopt(busy, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(busy, 1), 0);
    test::HostProcess host(kHost, {});
    EXPECT_EQ(host.Wait(10000), 1);
    EXPECT_NE(host.Log().find("port 3950 is in use"), std::string::npos) << host.Log();
    ::close(busy);
  }
  {
    // A host without its library beside it.
    const auto folder = std::filesystem::temp_directory_path() / ("mirrodex-host-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(kHost, folder / "mirrodex-host", std::filesystem::copy_options::overwrite_existing);
    test::HostProcess host((folder / "mirrodex-host").string(), {});
    EXPECT_EQ(host.Wait(10000), 1);
    EXPECT_NE(host.Log().find("cannot load the agent library"), std::string::npos) << host.Log();
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
}  // namespace mirrodex
