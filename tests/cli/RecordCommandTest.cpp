// mirrodex-cli record against the agent in mirrodex-host on a private Xvfb: the movie lasts as
// long as the recording and plays, whether it ended after --seconds or at Ctrl+C.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>

#include "tests/cli/CliProcess.h"
#include "tests/media/MovieProbe.h"
#include "tests/requests/HostDevice.h"

extern "C" {
#include <libavutil/log.h>
}

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

// Runs the client until its standard output shows `line`, then does `act` (to the client's
// process id) and lets it end.
test::CliRun RunUntil(const std::vector<std::string>& args, const std::string& configHome,
                      const std::string& line, const std::function<void(pid_t)>& act) {
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::dup2(errPipe[1], STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(MIRRODEX_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(MIRRODEX_CLI_PATH, argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  test::CliRun run;
  std::thread errReader([&] {
    char buffer[4096];
    for (ssize_t n; (n = ::read(errPipe[0], buffer, sizeof buffer)) > 0;)
      run.errors.append(buffer, size_t(n));
    ::close(errPipe[0]);
  });
  char buffer[4096];
  bool sent = false;
  for (ssize_t n; (n = ::read(outPipe[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, size_t(n));
    if (!sent && run.output.find(line) != std::string::npos) {
      act(pid);
      sent = true;
    }
  }
  ::close(outPipe[0]);
  errReader.join();
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(RecordCommand, RecordsForTheGivenSecondsOrUntilInterruptedAndTheMoviePlays) {
  if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
  av_log_set_level(AV_LOG_ERROR);
  const fs::path dir =
      fs::temp_directory_path() / ("mirrodex-cli-record-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "config");
  test::HostDevice device;
  std::string error;
  ASSERT_TRUE(device.Start(error, false)) << error;
  const std::vector<std::string> common{"--wake", "127.0.0.1", "--timeout", "30", "record"};

  auto args = common;
  args.insert(args.end(), {(dir / "three.mp4").string(), "--seconds", "3"});
  auto run = test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(), args);
  ASSERT_EQ(run.exitCode, 0) << run.errors << device.HostLog();
  auto probe = test::MovieProbe::Read(dir / "three.mp4");
  ASSERT_TRUE(probe.opened) << probe.error;
  EXPECT_EQ(probe.videoStreams, 1);
  EXPECT_NEAR(probe.frames, 6, 1);
  EXPECT_NEAR(probe.seconds, 3.0, 0.5);
  EXPECT_EQ(probe.width, 240);
  EXPECT_EQ(probe.height, 320);
  EXPECT_NE(run.output.find("frames"), std::string::npos) << run.output;

  // No --seconds: recording until Ctrl+C, which still finishes the file.
  args = common;
  args.insert(args.end(), {(dir / "stopped.wmv").string(), "--profile", "1"});
  run = RunUntil(args, (dir / "config").string(), "recording ",
                 [](pid_t pid) { ::kill(pid, SIGINT); });
  EXPECT_EQ(run.exitCode, 0) << run.errors << run.output;
  probe = test::MovieProbe::Read(dir / "stopped.wmv");
  ASSERT_TRUE(probe.opened) << probe.error;
  EXPECT_GE(probe.frames, 1);
  EXPECT_NEAR(probe.seconds, probe.frames * 0.5, 0.3);
  EXPECT_FALSE(probe.firstRgb.empty());

  // The device leaving ends the recording with a complete file, and says so.
  args = common;
  args.insert(args.end(), {(dir / "left.avi").string(), "--codec", "XVID"});
  run = RunUntil(args, (dir / "config").string(), "recording ", [&](pid_t) { device.StopHost(); });
  EXPECT_EQ(run.exitCode, 4) << run.errors << run.output;
  EXPECT_NE(run.errors.find("recording up to then is complete"), std::string::npos) << run.errors;
  probe = test::MovieProbe::Read(dir / "left.avi");
  ASSERT_TRUE(probe.opened) << probe.error;
  EXPECT_GE(probe.frames, 1);
  EXPECT_NEAR(probe.seconds, probe.frames * 0.5, 0.3);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace mirrodex
