// The wake-up port in-process on a free port: idle connections cannot hold up a real
// wake-up, and refusals are logged at most once per address and period.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/LogLimiter.h"
#include "host/WakeListener.h"
#include "tests/agent/AgentTestSupport.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;

// A connection to 127.0.0.1:port from `source`; -1 when it cannot be made.
int ConnectFrom(const char* source, uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, source, &local.sin_addr);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  ::inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class WakePort : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(filter.Add("127.0.0.1", error)) << error;
    uint16_t unused = 0;
    test::FreePorts(port, unused);
    listener = std::make_unique<WakeListener>(filter);
    ASSERT_TRUE(listener->Listen(port, error)) << error;
  }
  void TearDown() override {
    for (int fd : idle) ::close(fd);
  }
  // Runs the host's loop (poll, then serve) until a wake-up comes or `timeoutMs` passes.
  std::vector<std::string> ServeUntilWakeUp(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> wakeUps;
    while (wakeUps.empty() && Clock::now() < deadline) {
      std::vector<pollfd> fds;
      listener->AddPollFds(fds);
      ::poll(fds.data(), fds.size(), listener->PollTimeoutMs(100));
      wakeUps = listener->Serve(notes);
    }
    return wakeUps;
  }

  AddressFilter filter;
  uint16_t port = 0;
  std::unique_ptr<WakeListener> listener;
  std::vector<int> idle;
  std::vector<std::string> notes;
};

TEST_F(WakePort, IdleConnectionsFromAnAllowedAddressDoNotHoldUpAWakeUp) {
  for (int i = 0; i < 30; ++i) {
    const int fd = ConnectFrom("127.0.0.1", port);
    ASSERT_GE(fd, 0);
    idle.push_back(fd);
  }
  const int desktop = ConnectFrom("127.0.0.1", port);
  ASSERT_GE(desktop, 0);
  ASSERT_EQ(::send(desktop, "a", 1, MSG_NOSIGNAL), 1);
  const auto start = Clock::now();
  const auto wakeUps = ServeUntilWakeUp(20000);
  ::close(desktop);
  ASSERT_EQ(wakeUps, std::vector<std::string>{"127.0.0.1"});
  // Thirty idlers at the old two seconds each would take a minute.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_LE(listener->Waiting(), WakeListener::kMaxWaiting);
}

TEST_F(WakePort, RefusedAddressesAreLoggedOncePerPeriodAndSilentPeersAreDropped) {
  for (int i = 0; i < 20; ++i) {
    const int fd = ConnectFrom("127.0.0.2", port);
    ASSERT_GE(fd, 0);
    ::send(fd, "a", 1, MSG_NOSIGNAL);
    ::close(fd);
  }
  const int silent = ConnectFrom("127.0.0.1", port);
  ASSERT_GE(silent, 0);
  idle.push_back(silent);
  const int desktop = ConnectFrom("127.0.0.1", port);
  ASSERT_EQ(::send(desktop, "a", 1, MSG_NOSIGNAL), 1);
  ASSERT_EQ(ServeUntilWakeUp(20000), std::vector<std::string>{"127.0.0.1"});
  ::close(desktop);
  // The silent connection is closed once its time is up.
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (listener->Waiting() > 0 && Clock::now() < deadline) ServeUntilWakeUp(100);
  EXPECT_EQ(listener->Waiting(), 0u);
  size_t refused = 0, noByte = 0;
  for (const std::string& note : notes) {
    refused += note == "wake-up from 127.0.0.2 ignored: address not allowed";
    noByte += note == "connection from 127.0.0.1 sent no wake-up byte; ignored";
  }
  EXPECT_EQ(refused, 1u);
  EXPECT_EQ(noByte, 1u);
}

TEST(LogLimiterTest, OneLinePerKeyAndPeriodWithinABoundedMemory) {
  LogLimiter limiter(std::chrono::minutes(1));
  const auto t0 = LogLimiter::Clock::time_point{} + std::chrono::hours(1);
  EXPECT_TRUE(limiter.Allow("a", t0));
  EXPECT_FALSE(limiter.Allow("a", t0 + std::chrono::seconds(59)));
  EXPECT_TRUE(limiter.Allow("b", t0 + std::chrono::seconds(59)));
  EXPECT_TRUE(limiter.Allow("a", t0 + std::chrono::seconds(60)));
  for (size_t i = 0; i < LogLimiter::kMaxKeys; ++i) limiter.Allow("k" + std::to_string(i), t0 + std::chrono::seconds(61));
  // Every remembered key is recent: a new one waits rather than growing the table.
  EXPECT_FALSE(limiter.Allow("new", t0 + std::chrono::seconds(62)));
  EXPECT_TRUE(limiter.Allow("new", t0 + std::chrono::minutes(3)));
}

}  // namespace
}  // namespace mirrodex
