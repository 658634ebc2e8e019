// The agent's socket transport against a test socket standing in for the desktop (free
// ports, loopback), and the table of thread objects.
#include <arpa/inet.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "agent/session/CSocketComm.h"
#include "agent/session/CleanupStack.h"
#include "protocol/MessageHeader.h"
#include "tests/agent/AgentTestSupport.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;
// Bounds for what must be prompt, generous for a loaded machine.
constexpr auto kPrompt = std::chrono::seconds(5);

in_addr Dotted(const char* text) {
  in_addr address{};
  ::inet_pton(AF_INET, text, &address);
  return address;
}

class AgentSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t unused = 0;
    test::FreePorts(port, unused);
    listener = std::make_unique<test::Listener>(port);
    ASSERT_TRUE(listener->Ok());
  }
  // Connects the transport to the listener; the accepted end is `desktop`.
  void ConnectBoth() {
    ASSERT_TRUE(comm.Connect(port));
    desktop = listener->Accept();
    ASSERT_TRUE(desktop.IsOpen());
  }

  uint16_t port = 0;
  std::unique_ptr<test::Listener> listener;
  CSocketComm comm;
  test::TestSocket desktop;
};

TEST_F(AgentSocket, EachAddressOfTheDesktopIsTriedInTurn) {
  // Nothing listens on 127.0.0.3: the first address refuses, the second one answers.
  std::vector<std::string> asked;
  comm.SetResolver([&](const std::string& host, std::string&) {
    asked.push_back(host);
    return std::vector<in_addr>{Dotted("127.0.0.3"), Dotted("127.0.0.1")};
  });
  comm.SetHost("desktop.example");
  ASSERT_NO_FATAL_FAILURE(ConnectBoth());
  EXPECT_EQ(asked, std::vector<std::string>{"desktop.example"});
  ASSERT_TRUE(comm.SendAll("xx", 2));
  char greeting[2];
  EXPECT_TRUE(desktop.ReceiveExact(greeting, 2));
}

TEST_F(AgentSocket, NamesResolveToIPv4AddressesOnly) {
  std::string error;
  const auto addresses = ResolveIPv4("localhost", error);
  ASSERT_FALSE(addresses.empty()) << error;
  for (const in_addr& address : addresses) EXPECT_EQ(ntohl(address.s_addr) >> 24, 127u);
  EXPECT_TRUE(ResolveIPv4("no-such-host.invalid", error).empty());
  const auto dotted = ResolveIPv4("10.1.2.3", error);
  ASSERT_EQ(dotted.size(), 1u);
  EXPECT_EQ(dotted[0].s_addr, Dotted("10.1.2.3").s_addr);
}

TEST_F(AgentSocket, DesktopThatStopsReadingFailsTheSendAfterTheTimeout) {
  comm.SetSendTimeout(200);
  ASSERT_NO_FATAL_FAILURE(ConnectBoth());
  const int small = 4096;
  ::setsockopt(desktop.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const std::vector<uint8_t> block(1 << 20, 0x5A);
  const auto start = Clock::now();
  bool sent = true;
  // Far more than the kernel buffers hold: a send must give up, not block.
  for (int i = 0; i < 256 && sent; ++i) sent = comm.SendAll(block.data(), block.size());
  EXPECT_FALSE(sent);
  EXPECT_LT(Clock::now() - start, kPrompt * 4);
}

TEST_F(AgentSocket, InterruptWakesABlockedSend) {
  comm.SetSendTimeout(600000);
  ASSERT_NO_FATAL_FAILURE(ConnectBoth());
  std::atomic<bool> done{false};
  std::atomic<bool> sent{true};
  // One write far larger than the buffers between the two ends: it cannot finish.
  const std::vector<uint8_t> block(64 << 20, 0x5A);
  std::thread sender([&] {
    sent = comm.SendAll(block.data(), block.size());
    done = true;
  });
  int queued = 0;
  const auto arrived = Clock::now() + kPrompt;
  while (queued == 0 && Clock::now() < arrived) {
    ::ioctl(desktop.Fd(), FIONREAD, &queued);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_GT(queued, 0);
  comm.Interrupt();
  const auto deadline = Clock::now() + kPrompt;
  while (!done && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(done);
  sender.join();
  EXPECT_FALSE(sent);
}

TEST_F(AgentSocket, OpeningDeadlineEndsAReadThatNothingAnswers) {
  ASSERT_NO_FATAL_FAILURE(ConnectBoth());
  comm.SetDeadline(200);
  uint8_t settings[8];
  const auto start = Clock::now();
  EXPECT_FALSE(comm.ReceiveExact(settings, sizeof settings));
  EXPECT_LT(Clock::now() - start, kPrompt);
  // Without the deadline the same read waits for the desktop.
  comm.ClearDeadline();
  ASSERT_TRUE(desktop.SendAll("12345678", 8));
  EXPECT_TRUE(comm.ReceiveExact(settings, sizeof settings));
}

TEST_F(AgentSocket, WaitForInputReturnsAtOnceForQueuedBytesAndForAClose) {
  ASSERT_NO_FATAL_FAILURE(ConnectBoth());
  uint8_t header[8];
  MessageHeader{0x80000000u, 0}.Pack(header);
  ASSERT_TRUE(desktop.SendAll(header, sizeof header));
  auto start = Clock::now();
  EXPECT_TRUE(comm.WaitForInput(600000));
  EXPECT_LT(Clock::now() - start, kPrompt);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kIdle);
  desktop.Close();
  start = Clock::now();
  EXPECT_TRUE(comm.WaitForInput(600000));
  EXPECT_LT(Clock::now() - start, kPrompt);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kFailed);
}

TEST(CleanupStackTest, EveryLoopEndsBeforeAnyThreadObjectIsFreed) {
  auto table = std::make_unique<CleanupStack>();
  CPeriodic* screen = table->NewPeriodic();
  CPeriodic* command = table->NewPeriodic();
  ASSERT_TRUE(command->Start([] { return true; }, 5, 0));
  std::atomic<bool> serving{false};
  // Like the screen session serving a long request: it reaches the command session's thread
  // object only when its own stop is asked, that is, while the table is being torn down.
  ASSERT_TRUE(screen->Start(
      [&] {
        serving = true;
        while (!screen->Sleep(60000)) {
        }
        command->Wake();
        return false;
      },
      0, 0));
  while (!serving) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  // Torn down on a thread of its own: a freed command object hangs it or is reported.
  std::promise<void> done;
  auto finished = done.get_future();
  std::thread([&table, done = std::move(done)]() mutable {
    table.reset();
    done.set_value();
  }).detach();
  ASSERT_EQ(finished.wait_for(kPrompt * 4), std::future_status::ready);
}

}  // namespace
}  // namespace mirrodex
