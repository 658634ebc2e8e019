// Small helpers of the agent tests: free ports and a listening socket standing in for a
// desktop that misbehaves.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "protocol/IRAPIStream.h"
#include "tests/support/TestSocket.h"

namespace mirrodex::test {

// Two different TCP ports that were free a moment ago. They are drawn below the kernel's
// ephemeral range (32768 and up), so no outgoing connection can take them meanwhile and an
// agent retrying towards a closed port can never connect to itself.
inline void FreePorts(uint16_t& first, uint16_t& second) {
  static std::atomic<uint32_t> draw{static_cast<uint32_t>(::getpid()) * 7919u};
  uint16_t ports[2] = {0, 0};
  for (int found = 0; found < 2;) {
    const auto port = static_cast<uint16_t>(20000 + draw.fetch_add(7727u) % 12000);
    if (port == ports[0] || port == 3937 || port == 3938 || port == 3950) continue;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (free) ports[found++] = port;
  }
  first = ports[0];
  second = ports[1];
}

// Listens on 127.0.0.1:port and hands out accepted connections.
class Listener {
 public:
  explicit Listener(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 4) == 0;
  }
  ~Listener() { ::close(fd_); }
  bool Ok() const { return ok_; }
  // An accepted connection, or a closed socket after `timeoutMs`.
  TestSocket Accept(int timeoutMs = 10000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return TestSocket();
    return TestSocket(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
  }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

}  // namespace mirrodex::test
