#include "bridge/LinkProcess.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace mirrodex::bridge {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Reaps `pid` when it has ended; true then.
bool Reaped(pid_t pid, int waitFlags) {
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid, &status, waitFlags);
  } while (got < 0 && errno == EINTR);
  return got == pid || (got < 0 && errno == ECHILD);
}

}  // namespace

std::string LinkCommand() {
  if (const char* link = std::getenv("MIRRODEX_LINK"); link != nullptr && link[0] != '\0')
    return link;
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length > 0) {
    const std::string candidate =
        FolderOf(std::string(path, static_cast<size_t>(length))) + "/mirrodex-bridge";
    if (::access(candidate.c_str(), X_OK) == 0) return Quoted(candidate);
  }
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LinkCommand), &info) != 0 && info.dli_fname != nullptr) {
    const std::string candidate = FolderOf(info.dli_fname) + "/mirrodex-bridge";
    if (::access(candidate.c_str(), X_OK) == 0) return Quoted(candidate);
  }
  return "mirrodex-bridge";
}

int LinkProcess::Start(const std::string& command, std::string& error) {
  End();
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    error = std::string("cannot make the link's socket pair: ") + std::strerror(errno);
    return -1;
  }
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  const pid_t pid = ::fork();
  if (pid < 0) {
    error = std::string("cannot start the link command: ") + std::strerror(errno);
    ::close(pair[0]);
    ::close(pair[1]);
    return -1;
  }
  if (pid == 0) {
    ::setpgid(0, 0);
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(pair[1], STDIN_FILENO);  // dup2 clears close-on-exec on the copies
    ::dup2(pair[1], STDOUT_FILENO);
    ::execv(argv[0], const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::setpgid(pid, pid);  // also here, so End never races the child's own call
  ::close(pair[1]);
  pid_ = pid;
  return pair[0];
}

void LinkProcess::End(int graceMs) {
  if (pid_ < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  bool ended = Reaped(pid_, WNOHANG);
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ended = Reaped(pid_, WNOHANG);
  }
  // The group goes in every case: a pipeline's other members may outlive the shell.
  ::kill(-pid_, SIGTERM);
  if (!ended) {
    const auto hard = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (!(ended = Reaped(pid_, WNOHANG)) && std::chrono::steady_clock::now() < hard) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
      ::kill(-pid_, SIGKILL);
      Reaped(pid_, 0);
    }
  }
  pid_ = -1;
}

}  // namespace mirrodex::bridge
