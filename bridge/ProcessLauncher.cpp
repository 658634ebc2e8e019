#include "bridge/ProcessLauncher.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "bridge/CallWire.h"

namespace mirrodex::bridge {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool ReadFull(int fd, void* buffer, size_t size) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (size > 0) {
    const ssize_t n = ::read(fd, out, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> ProcessLauncher::ProgramFor(const std::string& applicationName) const {
  static const char* const kHostNames[] = {"mirrodex.exe", "\\windows\\mirrodex.exe",
                                           "\\ipsm\\windows\\mirrodex.exe",
                                           "\\storage\\\\windows\\mirrodex.exe"};
  const std::string name = Lower(applicationName);
  for (const char* host : kHostNames) {
    if (name == host) return folder_ + "/mirrodex-host";
  }
  if (name == "unload.exe") return folder_ + "/mirrodex-unload";
  return std::nullopt;
}

std::vector<std::string> ProcessLauncher::SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

uint32_t ProcessLauncher::Start(const std::string& applicationName, const std::string& commandLine,
                                uint32_t& error) const {
  const auto program = ProgramFor(applicationName);
  if (!program) {
    error = kErrorFileNotFound;
    return 0;
  }
  if (::access(program->c_str(), X_OK) != 0) {
    error = kErrorFileNotFound;
    return 0;
  }
  std::vector<std::string> words = SplitCommandLine(commandLine);
  words.insert(words.begin(), *program);
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The intermediate child reports the program's process id, then the program reports an
  // exec failure (or nothing: the pipe closes on a successful exec).
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = ErrorFromErrno(errno);
    return 0;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    error = ErrorFromErrno(errno);
    ::close(report[0]);
    ::close(report[1]);
    return 0;
  }
  if (child == 0) {
    ::setsid();
    const pid_t program = ::fork();
    if (program == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::execv(argv[0], argv.data());
      const int failure = errno;
      (void)!::write(report[1], &failure, sizeof failure);
      ::_exit(127);
    }
    const int32_t id = program;
    (void)!::write(report[1], &id, sizeof id);
    ::_exit(program > 0 ? 0 : 1);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int32_t id = 0;
  int failure = 0;
  const bool haveId = ReadFull(report[0], &id, sizeof id);
  const bool execFailed = haveId && ReadFull(report[0], &failure, sizeof failure);
  ::close(report[0]);
  if (!haveId || id <= 0 || execFailed) {
    error = execFailed ? ErrorFromErrno(failure) : kErrorNotEnoughMemory;
    return 0;
  }
  return static_cast<uint32_t>(id);
}

}  // namespace mirrodex::bridge
