// mirrodex-cli printing what a hostile agent supplies (file and process names, clipboard
// text) to a terminal: control characters arrive as visible escapes, never as terminal
// commands; to a pipe the text passes unchanged.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/cli/CliProcess.h"
#include "tests/support/TestAgent.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;
using test::TestAgent;

// ESC ] 52 writes the PC's clipboard, ESC [ 2 J clears the screen, C1 CSI, a bare CR.
const std::u16string kHostile = u"a\x1b]52;c;SGk=\x07" u"b\x1b[2J\u009B\rc";
const std::string kVisible = "a\\e]52;c;SGk=\\x07b\\e[2J\\u009B\\rc";

void AppendU16(std::vector<uint8_t>& out, const std::u16string& text) {
  for (char16_t unit : text) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  StoreU32(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

// Answers the listing, process list and clipboard requests with the hostile text until the
// client leaves.
void ServeHostileAnswers(TestAgent& agent) {
  ASSERT_TRUE(agent.Connect());
  while (const auto message = agent.ReadCommandMessage(20000)) {
    if (message->payload.size() < 4) continue;  // command words and the close message
    const uint32_t code = (LoadU32(message->payload.data()) >> 20) & 63u;
    std::vector<uint8_t> reply;
    switch (code) {
      case kRequestListFolder:
      case kRequestProcesses:
        AppendU32(reply, StatusWord(code, 1));
        AppendU32(reply, static_cast<uint32_t>(kHostile.size()));
        AppendU16(reply, kHostile);
        for (uint32_t value : {7u, 1u, 1u, 0u, 0u}) AppendU32(reply, value);
        break;
      case kRequestGetClipboard:
        AppendU32(reply, StatusWord(code, 0));
        AppendU16(reply, kHostile + u'\0');
        break;
      default:
        AppendU32(reply, StatusWord(code, 0));
    }
    ASSERT_TRUE(agent.SendReply(reply));
  }
}

// Runs the client with its standard output on a new terminal; returns what it printed there.
std::string RunOnTerminal(const std::string& configHome, const std::vector<std::string>& args, int& exitCode) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return {};
  const std::string slaveName = ::ptsname(master);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int slave = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    ::dup2(slave, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(MIRRODEX_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(MIRRODEX_CLI_PATH, argv.data());
    ::_exit(127);
  }
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n > 0) {
      output.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the client has closed the terminal's last descriptor
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

class TerminalOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-cli-terminal-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(TerminalOutput, DeviceNamesAndClipboardTextReachATerminalOnlyAsVisibleEscapes) {
  const std::vector<std::string> args = {"--timeout", "20", "ls", "\\", "--", "ps", "--", "clip", "get"};
  {
    TestAgent agent;
    std::thread device([&] { ServeHostileAnswers(agent); });
    int exitCode = -1;
    const std::string shown = RunOnTerminal(dir.string(), args, exitCode);
    device.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x07'), std::string::npos) << shown;
    EXPECT_EQ(shown.find("\xC2\x9B"), std::string::npos) << shown;
    size_t count = 0;
    for (size_t at = shown.find(kVisible); at != std::string::npos; at = shown.find(kVisible, at + 1)) ++count;
    EXPECT_EQ(count, 3u) << shown;  // the file, the process and the clipboard
  }
  {
    // Into a pipe or file the text stays as the device has it.
    TestAgent agent;
    std::thread device([&] { ServeHostileAnswers(agent); });
    const auto run = test::RunCli(MIRRODEX_CLI_PATH, dir.string(), args);
    device.join();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("a\x1b]52;c;SGk=\x07" "b\x1b[2J\xC2\x9B\rc"), std::string::npos);
  }
}

}  // namespace
}  // namespace mirrodex
