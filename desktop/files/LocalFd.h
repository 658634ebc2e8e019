// An open local file descriptor, closed when the object goes; Close reports whether the last
// data reached the file system. One owner thread.
#pragma once

#include <unistd.h>

namespace mirrodex {

class LocalFd {
 public:
  explicit LocalFd(int fd) : fd_(fd) {}
  ~LocalFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  LocalFd(const LocalFd&) = delete;
  LocalFd& operator=(const LocalFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Closes now; false when the close reported an error (data may not have been written).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace mirrodex
