// A child process for the services tests (the X11 peer program), with its standard output on
// a pipe. The destructor kills and reaps it when the test has not.
// Thread: the test's thread only.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mirrodex::test {

class PeerProcess {
 public:
  // Starts the program with these arguments; Id() is -1 when it could not start.
  explicit PeerProcess(const std::vector<std::string>& arguments);
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  pid_t Id() const { return pid_; }
  // The next line of output without its newline; empty at the end of output or when nothing
  // came for a long while (a hung peer must not hang the test run).
  std::string ReadLine();
  // Waits for the process to end and returns its wait status; -1 when already reaped.
  int Wait();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string buffered_;
};

}  // namespace mirrodex::test
