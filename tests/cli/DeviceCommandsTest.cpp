// mirrodex-cli's device commands against the agent in mirrodex-host on a private Xvfb: files,
// clipboard, status, processes and typed text, and the exit codes of failures.
// clang-format off
#include <gtest/gtest.h>
#include <X11/keysym.h>
// clang-format on

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/cli/CliProcess.h"
#include "tests/input/EventWindow.h"
#include "tests/requests/HostDevice.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

class DeviceCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-cli-device-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
  }
  void TearDown() override { fs::remove_all(dir); }
  void StartDevice() {
    if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    ASSERT_TRUE(device.Start(error, false)) << error;
  }
  test::CliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--wake", "127.0.0.1", "--timeout", "30"});
    return test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(), args);
  }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir;
  test::HostDevice device;
};

TEST_F(DeviceCommands, FileCommandsClipboardAndStatusInOneConnection) {
  StartDevice();
  std::mt19937 random(7);
  std::string bytes(70000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  std::ofstream(dir / "a.bin", std::ios::binary) << bytes;
  const auto run = Run({"push", (dir / "a.bin").string(), "\\", "--", "mkdir", "\\sub", "--", "cp", "\\a.bin",
                        "\\sub\\b.bin", "--", "mv", "\\sub\\b.bin", "\\sub\\c.bin", "--", "ls", "\\sub", "--", "pull",
                        "\\a.bin", (dir / "back.bin").string(), "--", "exists", "\\sub\\c.bin", "--", "rm",
                        "\\sub\\c.bin", "--", "rmdir", "\\sub", "--", "clip", "set", "gr\u00FC\u00DFe \U0001F600", "--",
                        "clip", "get", "--", "status", "--", "ls"});
  ASSERT_EQ(run.exitCode, 0) << run.errors << run.output;
  EXPECT_EQ(Read(device.Root() / "a.bin"), bytes);
  EXPECT_EQ(Read(dir / "back.bin"), bytes);
  EXPECT_FALSE(fs::exists(device.Root() / "sub"));
  EXPECT_NE(run.output.find("       70000 "), std::string::npos) << run.output;  // ls of \sub
  EXPECT_NE(run.output.find(" c.bin\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nyes\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("gr\u00FC\u00DFe \U0001F600\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("memory load"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" a.bin\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("push "), std::string::npos) << run.output;  // plain progress lines
}

TEST_F(DeviceCommands, FailuresEndWithTheirExitCodes) {
  // No device: nothing answers the wake-up and nothing connects.
  auto run = test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(), {"--timeout", "1", "ls"});
  EXPECT_EQ(run.exitCode, 2) << run.errors;
  StartDevice();
  run = Run({"pull", "\\missing.bin", (dir / "m.bin").string()});
  EXPECT_EQ(run.exitCode, 6) << run.errors;
  EXPECT_NE(run.errors.find("refused"), std::string::npos) << run.errors;
  run = Run({"rm", "\\..\\outside"});
  EXPECT_EQ(run.exitCode, 6) << run.errors;
  run = Run({"exists", "\\missing.bin"});
  EXPECT_EQ(run.exitCode, 6) << run.errors;
  EXPECT_EQ(run.output, "no\n");
  run = Run({"pull", "\\", (dir / "nowhere" / "x").string()});
  EXPECT_EQ(run.exitCode, 5) << run.errors;
  run = Run({"tap", "5000", "1"});
  EXPECT_EQ(run.exitCode, 1) << run.errors;
  // A failing command ends the run: the later ones are not carried out.
  run = Run({"rm", "\\missing", "--", "mkdir", "\\made"});
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_FALSE(fs::exists(device.Root() / "made"));
}

TEST_F(DeviceCommands, TextAndKeysArriveOnTheDevice) {
  StartDevice();
  test::EventWindow window(device.Server().DisplayName());
  ASSERT_TRUE(window.Usable());
  const auto run = Run({"text", "a\u00E9\u20AC", "--", "key", "13", "--", "tap", "20", "30", "--", "pause", "--", "pause"});
  ASSERT_EQ(run.exitCode, 0) << run.errors << device.HostLog();
  const auto events = window.Take();
  // A character outside the keyboard map arrives as its Unicode keysym.
  EXPECT_EQ(test::EventWindow::PressedKeysyms(events),
            (std::vector<KeySym>{XK_a, XK_eacute, 0x1000000 | 0x20AC, XK_Return}));
  const bool tapped = std::any_of(events.begin(), events.end(), [](const auto& e) {
    return e.type == ButtonRelease && e.x == 20 && e.y == 30;
  });
  EXPECT_TRUE(tapped);
}

TEST_F(DeviceCommands, PsListsASpawnedProcessAndKillEndsIt) {
  StartDevice();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execlp("sleep", "sleep", "300", nullptr);
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  // Reaped as soon as it ends, so it leaves the process list.
  std::thread reaper([child] { ::waitpid(child, nullptr, 0); });
  auto run = Run({"ps"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_NE(run.output.find(" " + std::to_string(child) + " "), std::string::npos) << run.output;
  if (run.exitCode == 0) {
    run = Run({"kill", std::to_string(child), "--", "ps"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output.find(" " + std::to_string(child) + " "), std::string::npos);
  }
  // Whatever failed above, the child and its reaper end here rather than outliving the test.
  ::kill(child, SIGKILL);
  reaper.join();
}

}  // namespace
}  // namespace mirrodex
