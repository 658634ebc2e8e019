// The process request against child processes of the test: listing, closing with and without
// windows, and bringing a window to the front on a private display.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "agent/services/CLinuxFileManager.h"
#include "tests/services/PeerProcess.h"
#include "tests/services/ServiceRequests.h"
#include "tests/services/ServicesOnDisplayTest.h"

namespace mirrodex::test {
namespace {

enum ProcessValue { kId, kThreads, kUsage, kParent, kModule };

std::string Action(char action, pid_t id) { return std::string(1, action) + std::to_string(id); }

Reply List(CFileManager& services) { return Ask(services, kRequestProcesses, "00"); }

std::optional<NamedRecord> Find(const std::vector<NamedRecord>& processes, pid_t id) {
  for (const auto& process : processes) {
    if (process.values[kId] == static_cast<uint32_t>(id)) return process;
  }
  return std::nullopt;
}

class ProcessServicesTest : public ::testing::Test {
 protected:
  explicit ProcessServicesTest(const std::string& display = {}, std::chrono::milliseconds grace = std::chrono::seconds(2)) {
    FileManagerConfig config;
    config.fileRoot = ::testing::TempDir();
    config.displayName = display;
    config.processEndGrace = grace;
    services_ = std::make_unique<CLinuxFileManager>(config);
  }
  std::unique_ptr<CLinuxFileManager> services_;
};

TEST_F(ProcessServicesTest, ListsASpawnedChildWithItsIdAndName) {
  PeerProcess child({MIRRODEX_X11_PEER, "idle"});
  ASSERT_EQ(child.ReadLine(), "ready");
  const Reply reply = List(*services_);
  EXPECT_EQ(reply.status >> 20, 20u);
  const auto processes = ParseNamedRecords(reply);
  const auto listed = Find(processes, child.Id());
  ASSERT_TRUE(listed.has_value());
  // Longer than the kernel's 15-character command name: completed from the executable.
  EXPECT_EQ(listed->name, "services_x11_peer");
  EXPECT_EQ(listed->values[kParent], static_cast<uint32_t>(::getpid()));
  EXPECT_GE(listed->values[kThreads], 1u);
  EXPECT_EQ(listed->values[kUsage], 1u);
  EXPECT_EQ(listed->values[kModule], 0u);
  const auto self = Find(processes, ::getpid());
  ASSERT_TRUE(self.has_value());
  EXPECT_GE(self->values[kThreads], 1u);
}

TEST_F(ProcessServicesTest, CloseEndsAChildWithoutWindows) {
  PeerProcess child({MIRRODEX_X11_PEER, "idle"});
  ASSERT_EQ(child.ReadLine(), "ready");
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('1', child.Id())).status, 0x1400001u);
  const int status = child.Wait();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

class ShortGraceTest : public ProcessServicesTest {
 protected:
  ShortGraceTest() : ProcessServicesTest({}, std::chrono::milliseconds(100)) {}
};

TEST_F(ShortGraceTest, CloseKillsAChildThatIgnoresTerm) {
  PeerProcess child({MIRRODEX_X11_PEER, "idle", "--ignore-term"});
  ASSERT_EQ(child.ReadLine(), "ready");
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('1', child.Id())).status, 0x1400001u);
  const int status = child.Wait();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST_F(ProcessServicesTest, MalformedActionsAndTheAgentItselfAreRefused) {
  for (const std::string& payload : {std::string("1abc"), std::string("1-5"), Action('3', 12345),
                                     Action('1', ::getpid()), std::string("100"), std::string("112345678901")}) {
    EXPECT_EQ(Ask(*services_, kRequestProcesses, payload).status, 0x140FFFFu) << payload;
  }
  // Shorter than three bytes is a list request, whatever the bytes.
  EXPECT_GT(Ask(*services_, kRequestProcesses, "10").status & 0xFFFF, 1u);
  pid_t gone;
  {
    PeerProcess child({MIRRODEX_X11_PEER, "idle"});
    ASSERT_EQ(child.ReadLine(), "ready");
    gone = child.Id();
  }
  // A process that has already ended needs no more ending.
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('1', gone)).status, 0x1400001u);
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('2', gone)).status, 0x1400001u);
}

class ProcessWindowsTest : public ServicesOnDisplayTest {
 protected:
  void SetUp() override {
    ServicesOnDisplayTest::SetUp();
    display_ = XOpenDisplay(DisplayName().c_str());
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  // Starts a peer with a window and returns the window.
  Window StartWindow(PeerProcess& peer) {
    const std::string line = peer.ReadLine();
    EXPECT_EQ(line.rfind("ready ", 0), 0u) << line;
    return line.size() > 6 ? std::stoul(line.substr(6)) : 0;
  }

  Display* display_ = nullptr;
};

TEST_F(ProcessWindowsTest, CloseAsksTheWindowToCloseAndEndsTheProcess) {
  // The peer ignores SIGTERM, so only the request to close its window lets it end by itself.
  PeerProcess peer({MIRRODEX_X11_PEER, "window", DisplayName(), "--ignore-term"});
  ASSERT_NE(StartWindow(peer), 0u);
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('1', peer.Id())).status, 0x1400001u);
  EXPECT_EQ(peer.ReadLine(), "closing");
  const int status = peer.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ProcessWindowsTest, CloseEndsAProcessWhoseWindowStaysOpen) {
  PeerProcess peer({MIRRODEX_X11_PEER, "window", DisplayName()});
  ASSERT_NE(StartWindow(peer), 0u);
  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('1', peer.Id())).status, 0x1400001u);
  const int status = peer.Wait();
  // Whichever came first, the close request or SIGTERM, the process is gone.
  EXPECT_TRUE(WIFEXITED(status) || (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM));
}

TEST_F(ProcessWindowsTest, BringToFrontRaisesAndFocusesTheWindowWithoutAManager) {
  PeerProcess peer({MIRRODEX_X11_PEER, "window", DisplayName()});
  const Window target = StartWindow(peer);
  ASSERT_NE(target, 0u);
  const Window mine = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 200, 0, 0, 0);
  XMapRaised(display_, mine);
  XSync(display_, False);
  XSetInputFocus(display_, mine, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);

  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('2', peer.Id())).status, 0x1400001u);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  EXPECT_EQ(focus, target);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  ASSERT_NE(XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count), 0);
  ASSERT_GT(count, 0u);
  EXPECT_EQ(children[count - 1], target);  // on top
  XFree(children);
}

TEST_F(ProcessWindowsTest, BringToFrontAsksTheWindowManagerWhenOneRuns) {
  PeerProcess peer({MIRRODEX_X11_PEER, "window", DisplayName()});
  const Window target = StartWindow(peer);
  ASSERT_NE(target, 0u);
  // The test plays the window manager: the EWMH check window and the client list.
  const Window root = DefaultRootWindow(display_);
  const Window check = XCreateSimpleWindow(display_, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom supporting = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  const Atom clients = XInternAtom(display_, "_NET_CLIENT_LIST", False);
  const Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  for (const Window window : {root, check}) {
    XChangeProperty(display_, window, supporting, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&check), 1);
  }
  XChangeProperty(display_, root, clients, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&target), 1);
  XSelectInput(display_, root, SubstructureNotifyMask);
  XSync(display_, False);

  EXPECT_EQ(Ask(*services_, kRequestProcesses, Action('2', peer.Id())).status, 0x1400001u);
  bool asked = false;
  while (!asked) {
    if (XPending(display_) == 0) {
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      ASSERT_GT(::poll(&fd, 1, 30000), 0) << "no _NET_ACTIVE_WINDOW message came";
    }
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == ClientMessage && event.xclient.message_type == active) {
      EXPECT_EQ(event.xclient.window, target);
      EXPECT_EQ(event.xclient.data.l[0], 2);  // sent for the user by a tool, not the program
      asked = true;
    }
  }
  XDeleteProperty(display_, root, supporting);
  XDeleteProperty(display_, root, clients);
  XSync(display_, False);
}

}  // namespace
}  // namespace mirrodex::test
