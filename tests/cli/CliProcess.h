// Runs mirrodex-cli as a child process with its own empty settings folder and collects its
// exit code, standard output and standard error.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace mirrodex::test {

struct CliRun {
  int exitCode = -1;
  std::string errors;
  std::string output;
};

inline CliRun RunCli(const std::string& program, const std::string& configHome, const std::vector<std::string>& args) {
  int errPipe[2], outPipe[2];
  if (::pipe2(errPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    ::dup2(errPipe[1], STDERR_FILENO);
    ::dup2(outPipe[1], STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(errPipe[1]);
  ::close(outPipe[1]);
  CliRun run;
  const auto drain = [](int fd, std::string& into) {
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) into.append(buffer, static_cast<size_t>(n));
    ::close(fd);
  };
  std::thread outReader(drain, outPipe[0], std::ref(run.output));
  drain(errPipe[0], run.errors);
  outReader.join();
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace mirrodex::test
