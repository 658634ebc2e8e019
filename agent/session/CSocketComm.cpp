#include "agent/session/CSocketComm.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "agent/session/AgentLog.h"

namespace mirrodex {
namespace {

constexpr int kConnectSliceMs = 100;

struct AddressList {
  addrinfo* head = nullptr;
  ~AddressList() {
    if (head != nullptr) freeaddrinfo(head);
  }
};

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

uint32_t CSocketComm::Receive(void* buffer, uint32_t size) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t read = 0;
    if (!IsStreamReadSuccess(stream->Read(buffer, size, &read))) return 0;
    return read <= size ? read : 0;
  }
  const int fd = Socket();
  if (fd < 0) return 0;
  ssize_t n;
  do {
    n = ::recv(fd, buffer, size, 0);
  } while (n < 0 && errno == EINTR && !interrupted_);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

uint32_t CSocketComm::Send(const void* buffer, uint32_t length) {
  if (IRAPIStream* stream = Stream()) {
    uint32_t written = 0;
    if (stream->Write(buffer, length, &written) != kStreamOk) return 0;
    return written <= length ? written : 0;
  }
  const int fd = Socket();
  if (fd < 0) return 0;
  ssize_t n;
  do {
    n = ::send(fd, buffer, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR && !interrupted_);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool CSocketComm::Connect(uint16_t port) {
  if (IsStream()) return true;
  Close();
  if (interrupted_) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  AddressList addresses;
  const std::string service = std::to_string(port);
  const int rc = getaddrinfo(host_.c_str(), service.c_str(), &hints, &addresses.head);
  if (rc != 0 || addresses.head == nullptr) {
    AgentLog("cannot resolve the desktop address \"%s\": %s", host_.c_str(), gai_strerror(rc));
    return false;
  }
  const addrinfo* address = addresses.head;
  const int fd = ::socket(address->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    AgentLog("cannot create a socket: %s", std::strerror(errno));
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
  }
  if (::connect(fd, address->ai_addr, address->ai_addrlen) != 0 &&
      (errno != EINPROGRESS || !AwaitConnect(fd))) {
    Close();
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  // Screen updates and replies are written whole; waiting to coalesce them only adds delay.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return !interrupted_;
}

bool CSocketComm::AwaitConnect(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
  while (!interrupted_) {
    pollfd p{fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, kConnectSliceMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) {
      int error = 0;
      socklen_t size = sizeof error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return false;
      return error == 0;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
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
