// mirrodex-cli as a user runs it: a child process listening on the product ports, the test
// agent connecting to it, the written files read back by Qt's image readers.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/MessageHeader.h"
#include "protocol/ScreenUpdateFormat.h"
#include "protocol/SessionSettings.h"
#include "tests/support/TestAgent.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;
using test::TestAgent;
using test::TestSocket;

struct CliRun {
  int exitCode = -1;
  std::string errors;
  std::string output;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-cli-test-" + std::to_string(getpid()));
    fs::create_directories(dir / "config");
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the program with its own empty settings folder; returns its exit code, stderr and
  // stdout. With `interruptAfterMs` the program gets SIGINT after that time.
  CliRun Run(const std::vector<std::string>& args, int interruptAfterMs = -1) {
    int errPipe[2], outPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) return {};
    const std::string config = (dir / "config").string();
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("XDG_CONFIG_HOME", config.c_str(), 1);
      dup2(errPipe[1], STDERR_FILENO);
      dup2(outPipe[1], STDOUT_FILENO);
      std::vector<char*> argv{const_cast<char*>(MIRRODEX_CLI_PATH)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(MIRRODEX_CLI_PATH, argv.data());
      _exit(127);
    }
    close(errPipe[1]);
    close(outPipe[1]);
    std::thread interrupter([&] {
      if (interruptAfterMs < 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
      kill(pid, SIGINT);
    });
    CliRun run;
    std::thread outReader([&] {
      char buffer[512];
      for (ssize_t n; (n = read(outPipe[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, n);
    });
    char buffer[512];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) run.errors.append(buffer, n);
    outReader.join();
    interrupter.join();
    close(errPipe[0]);
    close(outPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  // Snapshots one picture of a width x height agent into `file`; returns the agent's picture
  // as the desktop shows it (RGB555).
  std::vector<uint16_t> Snapshot(uint16_t width, uint16_t height, const fs::path& file,
                                 const std::vector<std::string>& extra = {}) {
    TestAgent agent(width, height);
    const auto pixels = agent.Pattern(width);
    std::thread device([&] {
      ASSERT_TRUE(agent.Connect());
      ASSERT_GT(agent.SendPicture(pixels), 0);
      agent.CommandSocket().WaitForEnd(20000);  // the client says goodbye and closes
    });
    std::vector<std::string> args = {"--timeout", "20", "snapshot", file.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    const CliRun run = Run(args);
    device.join();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    return agent.Expected(pixels);
  }

  fs::path dir;
};

uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// Peak signal-to-noise ratio of `image` against the RGB555 picture, in dB.
double Psnr(const QImage& image, const std::vector<uint16_t>& expected, int width) {
  double squared = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const uint16_t p = expected[size_t(y) * width + x];
      const QRgb got = image.pixel(x, y);
      const int d[3] = {qRed(got) - Expand5(p >> 10 & 31), qGreen(got) - Expand5(p >> 5 & 31),
                        qBlue(got) - Expand5(p & 31)};
      for (int c : d) squared += double(c) * c;
    }
  }
  const double mse = squared / (3.0 * image.width() * image.height());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST_F(Cli, SnapshotWritesTheAgentsPictureAsBmpAndJpeg) {
  for (const auto& [width, height] : {std::pair<uint16_t, uint16_t>{240, 320}, {175, 220}}) {
    SCOPED_TRACE(width);
    const fs::path bmp = dir / "shot.bmp";
    const auto expected = Snapshot(width, height, bmp);
    QImage image(QString::fromStdString(bmp.string()));
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    EXPECT_EQ(fs::file_size(bmp), 54 + size_t((width * 3 + 3) / 4 * 4) * height);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint16_t p = expected[size_t(y) * width + x];
        wrong += image.pixel(x, y) != qRgb(Expand5(p >> 10 & 31), Expand5(p >> 5 & 31), Expand5(p & 31));
      }
    }
    EXPECT_EQ(wrong, 0);

    const fs::path jpeg = dir / "shot.jpg";
    const auto same = Snapshot(width, height, jpeg, {"--quality", "95"});
    QImage decoded(QString::fromStdString(jpeg.string()));
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.width(), width);
    // The pattern's isolated pixels suffer from chroma subsampling; a wrong channel order or
    // row layout would score far below this.
    EXPECT_GT(Psnr(decoded, same, width), 25.0);
  }
}

TEST_F(Cli, WatchPrintsScreenRatesUntilInterrupted) {
  TestAgent agent;
  std::atomic<bool> done{false};
  std::thread device([&] {
    ASSERT_TRUE(agent.Connect());
    for (uint32_t seed = 0; !done; ++seed) {
      if (agent.SendPicture(agent.Pattern(seed)) < 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const CliRun run = Run({"--timeout", "20", "watch"}, 3500);
  done = true;
  device.join();
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_NE(run.output.find("images/s"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("compression"), std::string::npos) << run.output;
}

TEST_F(Cli, FailuresEndWithTheirExitCodeAndOneLineSayingWhatToDo) {
  const auto oneLine = [](const CliRun& run) {
    return !run.errors.empty() && run.errors.find('\n') == run.errors.size() - 1;
  };
  CliRun run = Run({"snapshot", (dir / "x.png").string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(oneLine(run)) << run.errors;

  run = Run({"--timeout", "1", "snapshot", (dir / "x.bmp").string()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(oneLine(run)) << run.errors;

  {
    TestSocket taken(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(3937);
    const int on = 1;  // earlier runs leave connections in TIME_WAIT on this port
    setsockopt(taken.Fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ASSERT_EQ(::bind(taken.Fd(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken.Fd(), 1), 0);
    run = Run({"--timeout", "5", "snapshot", (dir / "x.bmp").string()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.errors.find("3937"), std::string::npos) << run.errors;
  }

  {
    TestAgent agent;
    std::thread device([&] {
      ASSERT_TRUE(agent.Connect());
      ASSERT_TRUE(agent.SendClose());  // leaves before sending any picture
    });
    // When the client's threads reach the screen session's end before the command session's
    // opening, it cannot tell this from half a connection: it waits out the timeout, then
    // reports the device leaving all the same.
    run = Run({"--timeout", "20", "snapshot", (dir / "x.bmp").string()});
    device.join();
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(oneLine(run)) << run.errors;
  }

  {
    TestAgent agent;
    std::thread device([&] {
      ASSERT_TRUE(agent.Connect());
      ASSERT_GT(agent.SendPicture(agent.Pattern(1)), 0);
      agent.CommandSocket().WaitForEnd(20000);
    });
    run = Run({"--timeout", "20", "snapshot", (dir / "missing" / "x.bmp").string()});
    device.join();
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(oneLine(run)) << run.errors;
  }
  EXPECT_FALSE(fs::exists(dir / "x.bmp"));
}

// Only the screen session opens before the device leaves: the client cannot tell this from a
// retry that reached one port (or from a command session its threads had not got to yet), so
// it waits for a full connection, and when none comes it reports the device leaving.
TEST_F(Cli, ADeviceThatLeftWithOneSessionOpenIsWaitedOutThenReportedAsLeaving) {
  std::thread device([] {
    TestAgent agent;
    TestSocket screen = TestSocket::Connect(3938);
    const auto info = agent.Info().Pack();
    std::array<uint8_t, kSessionSettingsSize> settings{};
    ASSERT_TRUE(screen.SendAll(info));
    ASSERT_TRUE(screen.ReceiveExact(settings.data(), settings.size(), 20000));
    uint8_t close[kHeaderSize];
    CloseMessage().Pack(close);
    ASSERT_TRUE(screen.SendAll(close, sizeof close));
    screen.WaitForEnd(20000);
  });
  const CliRun run = Run({"--timeout", "10", "snapshot", (dir / "x.bmp").string()});
  device.join();
  EXPECT_EQ(run.exitCode, 4) << run.errors;
  EXPECT_NE(run.errors.find("the device closed or lost the connection"), std::string::npos) << run.errors;
  EXPECT_FALSE(fs::exists(dir / "x.bmp"));
}

}  // namespace
}  // namespace mirrodex
