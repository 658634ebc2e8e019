#include "desktop/session/ByteChannel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <limits>

#include "desktop/session/UserNotifier.h"

namespace mirrodex {

// One socket descriptor. Threads that use it hold a shared reference, so the descriptor is
// closed only when the last of them lets go: a Close from another thread shuts it down (which
// wakes them) but can never make them use a number the system has handed out again.
class ByteChannel::Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { ::close(fd_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int Fd() const { return fd_; }
  void Shutdown(int how) const { ::shutdown(fd_, how); }

 private:
  int fd_;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kConnectFailed = "Failed to create connection";
constexpr const char* kErrorCaption = "Error";

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool ResolveIpv4(const std::string& host, in_addr& address) {
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

// Waits for a non-blocking connect to finish; true when it connected.
bool FinishConnect(int fd, int timeoutMs) {
  pollfd p{fd, POLLOUT, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

ByteChannel::ByteChannel(UserNotifier* notifier) : notifier_(notifier) {}

ByteChannel::~ByteChannel() { Close(); }

ByteChannel::SocketPtr ByteChannel::DataSocket() const {
  std::lock_guard lock(mutex_);
  return connected_ ? data_ : nullptr;
}

IRAPIStream* ByteChannel::Stream() const {
  std::lock_guard lock(mutex_);
  return stream_;
}

bool ByteChannel::IsStreamMode() const { return Stream() != nullptr; }

bool ByteChannel::IsConnected() const {
  std::lock_guard lock(mutex_);
  return connected_;
}

bool ByteChannel::PeerHasClosed() const {
  const SocketPtr socket = DataSocket();
  if (!socket || IsStreamMode()) return false;
  pollfd p{socket->Fd(), POLLIN | POLLRDHUP, 0};
  if (poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLHUP | POLLERR | POLLRDHUP)) return true;
  uint8_t byte;
  return ::recv(socket->Fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

int ByteChannel::LastListenError() const {
  std::lock_guard lock(mutex_);
  return lastListenError_;
}

void ByteChannel::AttachStream(IRAPIStream* stream) {
  std::lock_guard lock(mutex_);
  stream_ = stream;
  connected_ = stream != nullptr;
}

uint32_t ByteChannel::Receive(void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t read = 0;
    const int32_t rc = stream->Read(buffer, length, &read);
    return IsStreamReadSuccess(rc) ? std::min(read, length) : 0;
  }
  const SocketPtr socket = DataSocket();
  if (!socket) return 0;
  ssize_t n;
  do {
    n = ::recv(socket->Fd(), buffer, length, 0);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool ByteChannel::WaitReadable(const SocketPtr& socket, int timeoutMs) const {
  pollfd p{socket->Fd(), POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool ByteChannel::ReceiveExact(void* buffer, size_t length, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    if (timeoutMs >= 0 && !IsStreamMode()) {
      const SocketPtr socket = DataSocket();
      if (!socket || !WaitReadable(socket, MillisecondsLeft(deadline))) return false;
    }
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<int32_t>::max());
    const uint32_t n = Receive(bytes + done, static_cast<uint32_t>(chunk));
    if (n == 0) return false;
    done += n;
  }
  return true;
}

uint32_t ByteChannel::Send(const void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t written = 0;
    const int32_t rc = stream->Write(buffer, length, &written);
    return rc == kStreamOk ? std::min(written, length) : 0;
  }
  const SocketPtr socket = DataSocket();
  if (!socket) return 0;
  ssize_t n;
  do {
    n = ::send(socket->Fd(), buffer, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool ByteChannel::SendAll(const void* buffer, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    const size_t chunk = std::min<size_t>(length - done, std::numeric_limits<int32_t>::max());
    const uint32_t n = Send(bytes + done, static_cast<uint32_t>(chunk));
    if (n == 0) return false;
    done += n;
  }
  return true;
}

bool ByteChannel::Connect(const std::string& host, uint16_t port, int timeoutMs) {
  if (IsStreamMode()) return true;
  in_addr address{};
  const auto fail = [this] {
    if (notifier_) notifier_->ShowError(kConnectFailed, kErrorCaption);
    return false;
  };
  if (!ResolveIpv4(host, address)) return fail();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return fail();
  auto socket = std::make_shared<Socket>(fd);
  {
    std::lock_guard lock(mutex_);
    data_ = socket;  // visible to Close while connecting
    connected_ = false;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr = address;
  bool connected = SetBlocking(fd, false);
  if (connected && ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    connected = errno == EINPROGRESS && FinishConnect(fd, timeoutMs);
  }
  connected = connected && SetBlocking(fd, true);
  {
    std::lock_guard lock(mutex_);
    if (data_ == socket) {
      if (connected) {
        connected_ = true;
        return true;
      }
      data_.reset();
    }
  }
  return fail();
}

bool ByteChannel::Listen(uint16_t port) {
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    if (stream_) return true;
    // A channel that is still connected drops that connection first.
    if (data_) data_->Shutdown(SHUT_RDWR);
    data_.reset();
    connected_ = false;
    generation = generation_;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    std::lock_guard lock(mutex_);
    lastListenError_ = errno;
    return false;
  }
  auto listener = std::make_shared<Socket>(fd);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(fd, 10) != 0) {
    std::lock_guard lock(mutex_);
    lastListenError_ = errno;
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    lastListenError_ = 0;
    if (generation != generation_) return false;  // closed meanwhile: nobody would wake us
    listener_ = listener;
  }
  int accepted;
  do {
    accepted = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
  } while (accepted < 0 && errno == EINTR);
  auto peer = accepted >= 0 ? std::make_shared<Socket>(accepted) : nullptr;
  std::lock_guard lock(mutex_);
  if (listener_ == listener) listener_.reset();
  if (!peer || generation != generation_) return false;
  data_ = std::move(peer);
  connected_ = true;
  return true;
}

void ByteChannel::Close() {
  std::lock_guard lock(mutex_);
  ++generation_;
  if (data_) data_->Shutdown(SHUT_RDWR);
  if (listener_) listener_->Shutdown(SHUT_RDWR);
  data_.reset();
  listener_.reset();
  if (stream_) stream_->Close();
  stream_ = nullptr;
  connected_ = false;
}

void ByteChannel::InterruptReads() {
  std::lock_guard lock(mutex_);
  ++generation_;
  if (data_) data_->Shutdown(SHUT_RD);
  if (listener_) listener_->Shutdown(SHUT_RDWR);
  listener_.reset();
  if (stream_) {
    stream_->Close();
    stream_ = nullptr;
    connected_ = false;
  }
}

}  // namespace mirrodex
