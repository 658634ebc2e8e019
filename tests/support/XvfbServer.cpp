#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace mirrodex::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kStopTimeout = std::chrono::seconds(10);

std::string FindXvfb() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/Xvfb";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::string ReadLog(const std::string& file) {
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  constexpr size_t kTail = 2000;
  return text.size() > kTail ? text.substr(text.size() - kTail) : text;
}

// Reads the display number Xvfb writes to the pipe once it accepts clients; empty when it
// ended or did not answer in time.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{fd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, 200);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (c == '\n') return number;
    if (c < '0' || c > '9' || number.size() > 6) break;
    number += c;
  }
  return {};
}

// Waits for the child to end by itself within `timeout`; true when it did.
bool WaitForExit(pid_t pid, std::chrono::steady_clock::duration timeout, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

bool XvfbServer::Available() {
  return !FindXvfb().empty();
}

std::unique_ptr<XvfbServer> XvfbServer::Start(const Options& options, std::string& error) {
  const std::string program = FindXvfb();
  if (program.empty()) {
    error = "Xvfb was not found on PATH (install the xvfb package)";
    return nullptr;
  }
  std::error_code ec;
  const auto tmp = std::filesystem::temp_directory_path(ec);
  std::string folderTemplate = (ec ? std::string("/tmp") : tmp.string()) + "/mirrodex-xvfb-XXXXXX";
  if (::mkdtemp(folderTemplate.data()) == nullptr) {
    error = std::string("cannot create a folder for Xvfb: ") + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<XvfbServer> server(new XvfbServer);
  server->folder_ = folderTemplate;
  server->framebufferFile_ = server->folder_ + "/Xvfb_screen0";
  server->logFile_ = server->folder_ + "/Xvfb.log";

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return nullptr;
  }
  const int logFd =
      ::open(server->logFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) +
                             "x" + std::to_string(options.depth);
  // The child gets the pipe's write end as descriptor 3.
  std::vector<std::string> args{program,    "-displayfd", "3",   "-fbdir",    server->folder_,
                                "-noreset", "-dpi",       "96",  "-nolisten", "tcp",
                                "-screen",  "0",          screen};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = logFd >= 0 && nullFd >= 0 ? ::fork() : -1;
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(nullFd, 0);
    ::dup2(logFd, 1);
    ::dup2(logFd, 2);
    ::dup2(pipeFds[1], 3);  // dup2 clears close-on-exec on the copy
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  const int forkErrno = errno;
  ::close(pipeFds[1]);
  if (logFd >= 0) ::close(logFd);
  if (nullFd >= 0) ::close(nullFd);
  if (pid < 0) {
    ::close(pipeFds[0]);
    error = std::string("cannot start Xvfb: ") + std::strerror(forkErrno);
    return nullptr;
  }
  server->pid_ = pid;
  const std::string number = ReadDisplayNumber(pipeFds[0]);
  ::close(pipeFds[0]);
  if (number.empty()) {
    error = "Xvfb did not start (" + screen + "): " + ReadLog(server->logFile_);
    server->Stop();
    return nullptr;
  }
  server->display_ = ":" + number;
  struct stat st {};
  if (::stat(server->framebufferFile_.c_str(), &st) != 0) {
    error = "Xvfb started without its framebuffer file " + server->framebufferFile_;
    server->Stop();
    return nullptr;
  }
  return server;
}

XvfbServer::~XvfbServer() {
  Stop();
}

bool XvfbServer::Stop() {
  bool clean = true;
  if (pid_ > 0) {
    int status = 0;
    ::kill(pid_, SIGTERM);
    if (!WaitForExit(pid_, kStopTimeout, status)) {
      clean = false;
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    folder_.clear();
  }
  return clean;
}

}  // namespace mirrodex::test
