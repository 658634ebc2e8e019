#include "agent/session/CSocketComm.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "agent/session/AgentLog.h"

namespace mirrodex {
namespace {

// Waits are cut into slices so that an Interrupt is seen even where shutdown() wakes nothing
// (a connect in progress). Shutdown does wake a connected socket's poll, so an open-ended
// wait (an idle session) looks up seldom.
constexpr int kWaitSliceMs = 100;
constexpr int kIdleSliceMs = 1000;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

CSocketComm::~CSocketComm() { Close(); }

int CSocketComm::Socket() const {
  std::lock_guard lock(mutex_);
  return fd_;
}

IRAPIStream* CSocketComm::Stream() const {
  std::lock_guard lock(mutex_);
  return stream_;
}

bool CSocketComm::IsStream() const { return Stream() != nullptr; }

void CSocketComm::AttachStream(IRAPIStream* stream) {
  std::lock_guard lock(mutex_);
  stream_ = stream;
}

void CSocketComm::SetDeadline(int ms) { deadline_ = Clock::now() + std::chrono::milliseconds(std::max(ms, 0)); }

bool CSocketComm::Await(int fd, short events, std::optional<Clock::time_point> until) {
  if (deadline_ && (!until || *deadline_ < *until)) until = deadline_;
  while (!interrupted_) {
    int slice = kIdleSliceMs;
    if (until) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*until - Clock::now()).count();
      if (left <= 0) return false;
      slice = static_cast<int>(std::min<int64_t>(left, kWaitSliceMs));
    }
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, slice);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

uint32_t CSocketComm::Receive(void* buffer, uint32_t size) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t read = 0;
    if (!IsStreamReadSuccess(stream->Read(buffer, size, &read))) return 0;
    return read <= size ? read : 0;
  }
  const int fd = Socket();
  if (fd < 0) return 0;
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
    if (n > 0) return static_cast<uint32_t>(n);
    if (n == 0 || !WouldBlock(errno)) return 0;
    if (!Await(fd, POLLIN, std::nullopt)) {
      if (!interrupted_) AgentLog("the desktop did not send in time");
      return 0;
    }
  }
}

uint32_t CSocketComm::Send(const void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t written = 0;
    if (stream->Write(buffer, length, &written) != kStreamOk) return 0;
    return written <= length ? written : 0;
  }
  const int fd = Socket();
  if (fd < 0 || length == 0) return 0;
  // The timeout counts from the last progress: a desktop that reads slowly is served, one
  // that stopped reading is given up.
  const auto until = Clock::now() + std::chrono::milliseconds(sendTimeoutMs_);
  for (;;) {
    if (interrupted_) return 0;
    const ssize_t n = ::send(fd, buffer, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) return static_cast<uint32_t>(n);
    if (n == 0 || !WouldBlock(errno)) return 0;
    if (!Await(fd, POLLOUT, until)) {
      if (!interrupted_) AgentLog("the desktop has taken nothing for a while; giving up the connection");
      return 0;
    }
  }
}

bool CSocketComm::Connect(uint16_t port) {
  if (IsStream()) return true;
  Close();
  if (interrupted_) return false;
  std::string error;
  const std::vector<in_addr> addresses = resolver_(host_, error);
  if (addresses.empty()) {
    AgentLog("cannot resolve the desktop address \"%s\": %s", host_.c_str(), error.c_str());
    return false;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
  for (const in_addr& address : addresses) {
    if (ConnectTo(address, port, deadline)) return true;
    if (interrupted_ || Clock::now() >= deadline) break;
  }
  return false;
}

bool CSocketComm::ConnectTo(const in_addr& address, uint16_t port, Clock::time_point deadline) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    AgentLog("cannot create a socket: %s", std::strerror(errno));
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
  }
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_addr = address;
  target.sin_port = htons(port);
  bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
  if (!connected && errno == EINPROGRESS && Await(fd, POLLOUT, deadline)) {
    int error = 0;
    socklen_t size = sizeof error;
    connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  if (!connected || interrupted_) {
    Close();
    return false;
  }
  // Screen updates and replies are written whole; waiting to coalesce them only adds delay.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return true;
}

bool CSocketComm::WaitForInput(uint32_t ms) {
  // A stream cannot be asked; its read waits by itself.
  if (IsStream()) return false;
  const int fd = Socket();
  if (fd < 0) return true;
  return Await(fd, POLLIN | POLLRDHUP, Clock::now() + std::chrono::milliseconds(ms));
}

void CSocketComm::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    fd_ = -1;
  }
  if (stream_ != nullptr) {
    stream_->Close();
    stream_ = nullptr;
  }
}

void CSocketComm::Interrupt() {
  interrupted_ = true;
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
  if (stream_ != nullptr) stream_->Close();
}

}  // namespace mirrodex
