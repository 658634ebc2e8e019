#include "tests/support/TestSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace mirrodex::test {
namespace {

using Clock = std::chrono::steady_clock;

int LeftMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

}  // namespace

TestSocket::~TestSocket() { Close(); }

TestSocket& TestSocket::operator=(TestSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

TestSocket TestSocket::Connect(uint16_t port, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  do {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
      return TestSocket(fd);
    }
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (Clock::now() < deadline);
  return {};
}

bool TestSocket::SendAll(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TestSocket::ReceiveExact(void* data, size_t length, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  auto* bytes = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < length) {
    if (!WaitReadable(fd_, LeftMs(deadline))) return false;
    const ssize_t n = ::recv(fd_, bytes + done, length - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TestSocket::WaitForEnd(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  uint8_t sink[4096];
  while (WaitReadable(fd_, LeftMs(deadline))) {
    const ssize_t n = ::recv(fd_, sink, sizeof sink, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
  }
  return false;
}

void TestSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace mirrodex::test
