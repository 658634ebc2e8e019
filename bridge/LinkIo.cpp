#include "bridge/LinkIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mirrodex::bridge {

namespace {

void MakeNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Larger kernel buffers let whole stream chunks pass without a wake-up per page.
void EnlargeBuffers(int fd, bool isSocket) {
  const int size = 1 << 20;
  if (isSocket) {
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  } else {
    ::fcntl(fd, F_SETPIPE_SZ, size);  // best effort: an unprivileged limit may refuse it
  }
}

bool IsSocket(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

LinkIo::LinkIo(int readFd, int writeFd)
    : readFd_(readFd), writeFd_(writeFd), stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  writeIsSocket_ = IsSocket(writeFd_);
  MakeNonBlocking(readFd_);
  EnlargeBuffers(readFd_, IsSocket(readFd_));
  if (writeFd_ != readFd_) {
    MakeNonBlocking(writeFd_);
    EnlargeBuffers(writeFd_, writeIsSocket_);
  }
}

LinkIo::~LinkIo() {
  ::close(readFd_);
  if (writeFd_ != readFd_) ::close(writeFd_);
  if (stopFd_ >= 0) ::close(stopFd_);
}

void LinkIo::Stop() {
  stopped_ = true;
  const uint64_t one = 1;
  if (stopFd_ >= 0) (void)!::write(stopFd_, &one, sizeof one);
  // A socket peer learns at once that nothing more comes; a pipe learns it when it closes.
  if (writeIsSocket_) ::shutdown(writeFd_, SHUT_RDWR);
}

bool LinkIo::Await(int fd, short events) {
  for (;;) {
    if (stopped_) return false;
    pollfd fds[2] = {{fd, events, 0}, {stopFd_, POLLIN, 0}};
    const int n = ::poll(fds, stopFd_ >= 0 ? 2 : 1, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[1].revents != 0 || stopped_) return false;
    if (fds[0].revents != 0) return true;
  }
}

ssize_t LinkIo::ReadSome(uint8_t* buffer, size_t size) {
  for (;;) {
    if (stopped_) return -1;
    const ssize_t n = ::read(readFd_, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    if (!Await(readFd_, POLLIN)) return -1;
  }
}

bool LinkIo::WriteAll(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    if (stopped_) return false;
    const ssize_t n = writeIsSocket_ ? ::send(writeFd_, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                     : ::write(writeFd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes = bytes.subspan(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!Await(writeFd_, POLLOUT)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool LinkIo::WriteFrame(std::span<const uint8_t> head, std::span<const uint8_t> body) {
  std::lock_guard lock(writeMutex_);
  return WriteAll(head) && WriteAll(body);
}

}  // namespace mirrodex::bridge
