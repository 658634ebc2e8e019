#include "host/WakeListener.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mirrodex {
namespace {

// Room in the kernel for connections that arrive between two rounds of the main loop.
constexpr int kBacklog = 64;
// Connections accepted per round, so a flood cannot keep the loop from its other work.
constexpr int kAcceptsPerRound = 64;

}  // namespace

WakeListener::~WakeListener() {
  for (const Connection& connection : waiting_) ::close(connection.fd);
  if (fd_ >= 0) ::close(fd_);
}

bool WakeListener::Listen(uint16_t port, std::string& error) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) {
    error = std::string("cannot create a socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd_, kBacklog) != 0) {
    const int code = errno;
    error = code == EADDRINUSE
                ? "port " + std::to_string(port) +
                      " is in use: another mirrodex-host (or another program) is listening on it; stop it first"
                : "cannot listen on port " + std::to_string(port) + ": " + std::strerror(code);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

void WakeListener::AddPollFds(std::vector<pollfd>& fds) const {
  fds.push_back({fd_, POLLIN, 0});
  for (const Connection& connection : waiting_) fds.push_back({connection.fd, POLLIN, 0});
}

int WakeListener::PollTimeoutMs(int cap) const {
  if (waiting_.empty()) return cap;
  // The oldest connection is the first to run out of time.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(waiting_.front().until - Clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, cap));
}

void WakeListener::Note(std::vector<std::string>& notes, const std::string& key,
                        const std::string& line, Clock::time_point now) {
  if (limiter_.Allow(key, now)) notes.push_back(line);
}

void WakeListener::AcceptQueued(std::vector<std::string>& notes, Clock::time_point now) {
  for (int i = 0; i < kAcceptsPerRound; ++i) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    const int client =
        ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
    if (!filter_.Allows(peer.sin_addr)) {
      ::close(client);
      Note(notes, std::string("refused ") + dotted,
           std::string("wake-up from ") + dotted + " ignored: address not allowed", now);
      continue;
    }
    if (waiting_.size() >= kMaxWaiting) {
      // A real desktop sends its byte at once; the oldest waiter is the likeliest idler.
      Note(notes, "silent " + waiting_.front().address,
           "connection from " + waiting_.front().address + " sent no wake-up byte; ignored", now);
      ::close(waiting_.front().fd);
      waiting_.pop_front();
    }
    waiting_.push_back({client, dotted, now + kByteTimeout});
  }
}

WakeListener::Byte WakeListener::ReadByte(int fd) {
  char byte = 0;
  const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
  if (n == 1) return byte == 'a' ? Byte::kWakeUp : Byte::kOther;
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return Byte::kPending;
  return Byte::kNone;
}

std::vector<std::string> WakeListener::Serve(std::vector<std::string>& notes) {
  const auto now = Clock::now();
  AcceptQueued(notes, now);
  std::vector<std::string> wakeUps;
  std::erase_if(waiting_, [&](const Connection& connection) {
    const Byte byte = ReadByte(connection.fd);
    if (byte == Byte::kPending && now < connection.until) return false;
    if (byte == Byte::kWakeUp) {
      wakeUps.push_back(connection.address);
    } else {
      Note(notes, "silent " + connection.address,
           "connection from " + connection.address + " sent no wake-up byte; ignored", now);
    }
    ::close(connection.fd);
    return true;
  });
  return wakeUps;
}

}  // namespace mirrodex
