#include "bridge/LinkIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
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

bool LinkIo::WriteAll(std::span<const uint8_t> head, std::span<const uint8_t> body) {
  iovec pieces[2] = {{const_cast<uint8_t*>(head.data()), head.size()},
                     {const_cast<uint8_t*>(body.data()), body.size()}};
  iovec* next = pieces;
  int count = body.empty() ? 1 : 2;
  while (count > 0) {
    if (stopped_) return false;
    msghdr message{};
    message.msg_iov = next;
    message.msg_iovlen = static_cast<size_t>(count);
    const ssize_t n = writeIsSocket_ ? ::sendmsg(writeFd_, &message, MSG_NOSIGNAL)
                                     : ::writev(writeFd_, next, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!Await(writeFd_, POLLOUT)) return false;
      continue;
    }
    if (n <= 0) return false;
    // Skips what went out: whole pieces, then part of the next.
    auto done = static_cast<size_t>(n);
    while (count > 0 && done >= next->iov_len) {
      done -= next->iov_len;
      ++next;
      --count;
    }
    if (count > 0) {
      next->iov_base = static_cast<uint8_t*>(next->iov_base) + done;
      next->iov_len -= done;
    }
  }
  return true;
}

bool LinkIo::WriteFrame(std::span<const uint8_t> head, std::span<const uint8_t> body) {
  std::lock_guard lock(writeMutex_);
  return WriteAll(head, body);
}

}  // namespace mirrodex::bridge
