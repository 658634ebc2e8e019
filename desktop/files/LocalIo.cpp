#include "desktop/files/LocalIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace mirrodex {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      return false;
    }
    data += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

int OpenForReading(const char* path, struct stat& st) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &st) == 0) return fd;
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}

ssize_t ReadPiece(int fd, uint8_t* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, out + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace mirrodex
