// Runs mirrodex-host as a child process with its messages collected in a file.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace mirrodex::test {

class HostProcess {
 public:
  HostProcess(const std::string& program, const std::vector<std::string>& args)
      : log_("/tmp/mirrodex-host-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count_) + ".log") {
    pid_ = ::fork();
    if (pid_ == 0) {
      // A test that aborts must not leave a host behind holding the product ports.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 2);
      ::dup2(fd, 1);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~HostProcess() {
    Stop();
    ::unlink(log_.c_str());
  }

  // SIGTERM, then the exit code (-1 when it had to be killed after `timeoutMs`).
  int Stop(int timeoutMs = 10000) {
    if (pid_ <= 0) return exitCode_;
    ::kill(pid_, SIGTERM);
    return Wait(timeoutMs);
  }
  // Waits for the process to end by itself; -1 (after killing it) on timeout.
  int Wait(int timeoutMs) {
    if (pid_ <= 0) return exitCode_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return exitCode_ = -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    return exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  static inline int count_ = 0;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  std::string log_;
};

}  // namespace mirrodex::test
