// mirrodex-cli --bridge on a private Xvfb device: snapshot and file commands over the default
// local link and over a shell pipeline (as ssh would be), with no TCP port opened by either
// side; and a link that dies while both sessions stream.
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "bridge/rapi.h"
#include "desktop/session/ConnectionController.h"
#include "tests/cli/CliProcess.h"
#include "tests/session/RecordingOwner.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

// The process and its descendants.
std::set<pid_t> ProcessTree(pid_t top) {
  std::map<pid_t, pid_t> parents;
  if (DIR* proc = ::opendir("/proc")) {
    while (const dirent* entry = ::readdir(proc)) {
      const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
      if (pid <= 0) continue;
      std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
      std::string line;
      std::getline(stat, line);
      const size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 2));
      char state;
      pid_t parent = 0;
      rest >> state >> parent;
      parents[pid] = parent;
    }
    ::closedir(proc);
  }
  std::set<pid_t> tree{top};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : parents) {
      if (tree.count(parent) && !tree.count(pid)) grew = tree.insert(pid).second;
    }
  }
  return tree;
}

std::set<std::string> TcpInodes() {
  std::set<std::string> inodes;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string field;
      for (int i = 0; i < 10 && fields >> field; ++i) {
      }
      inodes.insert(field);
    }
  }
  return inodes;
}

// Socket inodes the processes hold.
std::set<std::string> SocketInodes(const std::set<pid_t>& pids) {
  std::set<std::string> inodes;
  for (const pid_t pid : pids) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& fd : fs::directory_iterator(folder, error)) {
      const std::string target = fs::read_symlink(fd.path(), error).string();
      if (target.starts_with("socket:[")) inodes.insert(target.substr(8, target.size() - 9));
    }
  }
  return inodes;
}

// Holds a port the way a listening program would, so nobody else can listen on it.
struct HeldPort {
  explicit HeldPort(uint16_t port) : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    held = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(fd, 1) == 0;
  }
  ~HeldPort() { ::close(fd); }
  int fd;
  bool held = false;
};

class BridgeCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    server = test::XvfbServer::Start({240, 320, 24}, error);
    ASSERT_TRUE(server) << error;
    dir = fs::temp_directory_path() / ("mirrodex-bridge-cli-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "root");
    fs::create_directories(dir / "config");
    // The default link inherits what the desktop's environment names.
    ::setenv("DISPLAY", server->DisplayName().c_str(), 1);
    ::setenv("MIRRODEX_FBDEV", server->FramebufferFile().c_str(), 1);
    ::setenv("MIRRODEX_ROOT", (dir / "root").c_str(), 1);
    ::unsetenv("MIRRODEX_LINK");
  }
  void TearDown() override { fs::remove_all(dir); }
  test::CliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bridge", "--timeout", "30"});
    return test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(), args);
  }
  // Runs the CLI, looking at the sockets of it and its children until it ends.
  test::CliRun RunWatchingSockets(std::vector<std::string> args, size_t& scansWithLink,
                                  std::set<std::string>& tcp) {
    args.insert(args.begin(), {"--bridge", "--timeout", "30"});
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      std::vector<char*> argv{const_cast<char*>(MIRRODEX_CLI_PATH)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(MIRRODEX_CLI_PATH, argv.data());
      ::_exit(127);
    }
    test::CliRun run;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      const auto tree = ProcessTree(pid);
      const auto sockets = SocketInodes(tree);
      if (tree.size() >= 2 && !sockets.empty()) ++scansWithLink;
      const auto tcpInodes = TcpInodes();
      // Until it execs, the child still holds this test's own sockets (the held ports).
      const auto ours = SocketInodes({::getpid()});
      for (const auto& inode : sockets) {
        if (tcpInodes.count(inode) && !ours.count(inode)) tcp.insert(inode);
      }
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::unique_ptr<test::XvfbServer> server;
  fs::path dir;
};

TEST_F(BridgeCli, SnapshotAndFileCommandsGoOverTheDefaultLinkWithoutAnyTcpPort) {
  // Anything that tried to listen on the product ports would fail now.
  HeldPort command(3937), screen(3938);
  ASSERT_TRUE(command.held && screen.held);
  auto run = Run({"snapshot", (dir / "shot.bmp").string()});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_NE(run.output.find("240 x 320"), std::string::npos) << run.output;

  std::string bytes(12 * 1024 * 1024, '\0');
  std::mt19937 random(5);
  for (char& c : bytes) c = static_cast<char>(random());
  std::ofstream(dir / "big.bin", std::ios::binary) << bytes;
  size_t scansWithLink = 0;
  std::set<std::string> tcp;
  run = RunWatchingSockets({"push", (dir / "big.bin").string(), "\\", "--", "ls", "--", "pull",
                            "\\big.bin", (dir / "back.bin").string()},
                           scansWithLink, tcp);
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_GT(scansWithLink, 0u) << "the sockets were looked at while the link ran";
  EXPECT_TRUE(tcp.empty()) << "a TCP socket was open on either side";
  EXPECT_EQ(Read(dir / "root" / "big.bin"), bytes);
  EXPECT_EQ(Read(dir / "back.bin"), bytes);
}

TEST_F(BridgeCli, ALinkThroughAShellPipelineCarriesTheSessions) {
  // The screen and the root come only from the bridge's options here.
  const std::string link = "cat | '" MIRRODEX_BIN_DIR "/mirrodex-bridge' --root '" +
                           (dir / "root").string() + "' --fb '" + server->FramebufferFile() +
                           "' --dpi 96 | cat";
  ::setenv("MIRRODEX_LINK", link.c_str(), 1);
  ::unsetenv("MIRRODEX_FBDEV");
  ::unsetenv("MIRRODEX_ROOT");
  ::unsetenv("DISPLAY");
  std::ofstream(dir / "root" / "file.txt") << "over the pipeline";
  auto run = Run({"ls", "--", "pull", "\\file.txt", (dir / "file.txt").string()});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_NE(run.output.find(" file.txt\n"), std::string::npos) << run.output;
  EXPECT_EQ(Read(dir / "file.txt"), "over the pipeline");
  run = Run({"snapshot", (dir / "shot.jpg").string()});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  run = test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(), {"--bridge", "--wake", "127.0.0.1", "ls"});
  EXPECT_EQ(run.exitCode, 1) << "the bridge and a wake-up exclude each other";
  // A link that never answers fails within the wait and leaves nothing behind.
  ::setenv("MIRRODEX_LINK", "sleep 60", 1);
  const auto start = std::chrono::steady_clock::now();
  run = test::RunCli(MIRRODEX_CLI_PATH, (dir / "config").string(),
                     {"--bridge", "--timeout", "2", "ls"});
  EXPECT_EQ(run.exitCode, 3) << run.errors;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Invokes one export in stream mode, as the desktop's start sequence does.
IRAPIStream* Invoke(const char16_t* function) {
  IRAPIStream* stream = nullptr;
  auto* input = static_cast<BYTE*>(std::calloc(1, 24));
  return CeRapiInvoke(u"Mirrodex.dll", function, 24, input, nullptr, nullptr, &stream, 0) >= 0
             ? stream
             : nullptr;
}

// The desktop's session layer mirroring the device through both invoked exports.
struct StreamedDesktop {
  StreamedDesktop()
      : owner(decoder), controller(owner, decoder, [] {
          SessionConfig config;
          config.stopWaitMs = 1500;
          return config;
        }()) {}
  // Starts the link, invokes both exports and waits for a picture.
  bool Start() {
    if (CeRapiInit() != 0) return false;
    controller.CreateSessions(true);
    screen = Invoke(u"fnMirrodex1");
    command = Invoke(u"fnMirrodex2");
    if (!screen || !command) return false;
    controller.AttachStreams(screen, command);
    return owner.WaitUntil([&] { return owner.frames > 0 && owner.Count(kEventConnected) >= 2; },
                           30000);
  }
  // Stops the sessions, releases the streams and ends the link, as the desktop's Stop does.
  void Stop() {
    controller.StopSessions();
    if (screen) screen->Release();
    if (command) command->Release();
    screen = command = nullptr;
    CeRapiUninit();
  }
  ~StreamedDesktop() { Stop(); }

  ScreenDecoder decoder;
  test::RecordingOwner owner;
  ConnectionController controller;
  IRAPIStream* screen = nullptr;
  IRAPIStream* command = nullptr;
};

TEST_F(BridgeCli, StopEndsBothExportsAndTheBridgeLeavesByItselfWhenTheLinkCloses) {
  const fs::path exitFile = dir / "bridge.exit";
  // The shell outlives the bridge only when the bridge ends before the link process is ended.
  const std::string link =
      "'" MIRRODEX_BIN_DIR "/mirrodex-bridge'; echo $? > '" + exitFile.string() + "'";
  ::setenv("MIRRODEX_LINK", link.c_str(), 1);
  StreamedDesktop desktop;
  ASSERT_TRUE(desktop.Start());
  desktop.Stop();
  std::string code;
  std::ifstream(exitFile) >> code;
  EXPECT_EQ(code, "0");
}

TEST_F(BridgeCli, ALinkThatDiesMidStreamFailsBothSessionsAndTheDesktopListensAgain) {
  const fs::path pidFile = dir / "bridge.pid";
  const std::string link =
      "echo $$ > '" + pidFile.string() + "'; exec '" MIRRODEX_BIN_DIR "/mirrodex-bridge'";
  ::setenv("MIRRODEX_LINK", link.c_str(), 1);
  StreamedDesktop desktop;
  ASSERT_TRUE(desktop.Start());
  auto& owner = desktop.owner;
  auto& controller = desktop.controller;

  pid_t bridge = 0;
  std::ifstream(pidFile) >> bridge;
  ASSERT_GT(bridge, 0);
  ASSERT_EQ(::kill(bridge, SIGKILL), 0);
  // The first failure makes the controller reopen both sessions.
  EXPECT_TRUE(owner.WaitUntil(
      [&] { return owner.Count(kEventEnded) + owner.Count(kEventError) >= 1; }, 20000));
  EXPECT_FALSE(controller.IsConnected());
  EXPECT_LT(CeRapiGetError(), 0);
  // Both sessions went back to listening on their TCP ports.
  const auto listening = [](uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  // A probe that gets in is taken for a device, so the first success is the answer.
  bool heard = listening(3938);
  while (!heard && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    heard = listening(3938);
  }
  EXPECT_TRUE(heard);
}

}  // namespace
}  // namespace mirrodex
