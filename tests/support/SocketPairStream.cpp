#include "tests/support/SocketPairStream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace mirrodex::test {

SocketPairStream::SocketPairStream(TestSocket& peer) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) abort();
  fd_ = fds[0];
  peer = TestSocket(fds[1]);
}

SocketPairStream::SocketPairStream(OtherEnd end) : fd_(end.socket.Fd()), ownsFd_(false) {}

SocketPairStream::~SocketPairStream() {
  if (ownsFd_) ::close(fd_);
}

int32_t SocketPairStream::Read(void* buf, uint32_t size, uint32_t* read) {
  *read = 0;
  if (closed_) return kStreamFail;
  ssize_t n;
  do {
    n = ::recv(fd_, buf, size, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0 || closed_) return kStreamFail;
  *read = static_cast<uint32_t>(n);
  return kStreamOk;  // 0 bytes: end of stream
}

int32_t SocketPairStream::Write(const void* buf, uint32_t size, uint32_t* written) {
  *written = 0;
  if (closed_) return kStreamFail;
  const ssize_t n = ::send(fd_, buf, size, MSG_NOSIGNAL);
  if (n < 0) return kStreamFail;
  *written = static_cast<uint32_t>(n);
  return kStreamOk;
}

void SocketPairStream::Close() {
  closed_ = true;
  ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace mirrodex::test
