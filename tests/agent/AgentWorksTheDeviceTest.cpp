// The agent as loaded, with its real backends on a private X server: input words from the
// desktop's session layer arrive in a window on the device screen, and requests are served
// by the device services over the live sessions.
// clang-format off
#include <gtest/gtest.h>
#include <X11/keysym.h>
// clang-format on

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "agent/CAgent.h"
#include "protocol/CommandWords.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/agent/AgentTestSupport.h"
#include "tests/agent/DesktopPeer.h"
#include "tests/input/EventWindow.h"
#include "tests/support/XvfbServer.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class AgentWorksTheDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = test::XvfbServer::Start({240, 320, 24}, error);
    ASSERT_TRUE(server_) << error;
    root_ = fs::temp_directory_path() / ("mirrodex-agent-root-" + std::to_string(::getpid()));
    fs::create_directories(root_);
    uint16_t commandPort = 0, screenPort = 0;
    test::FreePorts(commandPort, screenPort);
    desktop_ = std::make_unique<test::DesktopPeer>(commandPort, screenPort);
    desktop_->Listen();
    AgentOptions options;
    options.config.fbdev = server_->FramebufferFile();
    options.config.display = server_->DisplayName();
    options.config.root = root_.string();
    options.commandPort = commandPort;
    options.screenPort = screenPort;
    agent_ = std::make_unique<CAgent>(std::move(options));
    int32_t bounds[4] = {};
    ASSERT_TRUE(agent_->Initialise(nullptr, bounds));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!desktop_->controller->BothConnected() && Clock::now() < deadline) {
      if (agent_->StopFlag() == 1) static_cast<void>(agent_->Start(u"127.0.0.1"));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(desktop_->controller->BothConnected());
  }
  void TearDown() override {
    agent_.reset();
    desktop_.reset();
    fs::remove_all(root_);
  }

  // Queues a request and returns its reply (status word and payload), empty on a timeout.
  std::vector<uint8_t> Request(uint32_t code, const std::vector<uint8_t>& payload) {
    const size_t before = desktop_->owner.Locked([&] { return desktop_->owner.data.size(); });
    EXPECT_TRUE(desktop_->controller->QueueRequest(code, payload));
    if (!desktop_->owner.WaitUntil([&] { return desktop_->owner.data.size() > before; }, 20000)) return {};
    return desktop_->owner.Locked([&] { return desktop_->owner.data[before]; });
  }

  std::unique_ptr<test::XvfbServer> server_;
  fs::path root_;
  std::unique_ptr<test::DesktopPeer> desktop_;
  std::unique_ptr<CAgent> agent_;
};

TEST_F(AgentWorksTheDevice, PointerAndCharactersArriveInOrderAtTheirDevicePixels) {
  test::EventWindow window(server_->DisplayName());
  ASSERT_TRUE(window.Usable());
  window.Take();
  desktop_->controller->QueuePointer(30, 40, PointerAction::kLeftDown);
  desktop_->controller->QueuePointer(50, 60, PointerAction::kMove);
  desktop_->controller->QueuePointer(50, 60, PointerAction::kLeftUp);
  desktop_->controller->QueueKey(0x00E9, false);  // é
  desktop_->controller->QueueKey(0x0041, false);  // A
  // The agent runs commands in order: once a later request is answered, input has been played.
  ASSERT_EQ(Request(kRequestStatus, {0x20}).size(), 24u);

  std::vector<test::EventWindow::Event> events;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline && test::EventWindow::PressedKeysyms(events).size() < 2) {
    for (const auto& e : window.Take()) events.push_back(e);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::vector<test::EventWindow::Event> pointer;
  for (const auto& e : events) {
    if (e.type == ButtonPress || e.type == ButtonRelease) pointer.push_back(e);
  }
  ASSERT_EQ(pointer.size(), 2u);
  EXPECT_EQ(pointer[0].type, ButtonPress);
  EXPECT_EQ(pointer[0].x, 30);
  EXPECT_EQ(pointer[0].y, 40);
  EXPECT_EQ(pointer[1].type, ButtonRelease);
  EXPECT_EQ(pointer[1].x, 50);
  EXPECT_EQ(pointer[1].y, 60);
  EXPECT_EQ(test::EventWindow::PressedKeysyms(events), (std::vector<KeySym>{XK_eacute, XK_A}));
}

TEST_F(AgentWorksTheDevice, FileAndClipboardRequestsAreServedUnderTheRoot) {
  std::ofstream(root_ / "note.txt") << "device file";
  const std::vector<uint8_t> path = Utf8ToUtf16Le("\\note.txt");
  std::vector<uint8_t> reply = Request(kRequestFileExists, path);
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(LoadU32(reply.data()), StatusWord(11, 1));
  reply = Request(kRequestReadFirst, path);
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(LoadU32(reply.data()), StatusWord(7, 0));
  EXPECT_EQ(std::string(reply.begin() + 4, reply.end()), "device file");
  // A path out of the root is refused.
  reply = Request(kRequestReadFirst, Utf8ToUtf16Le("\\..\\..\\etc\\passwd"));
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(LoadU32(reply.data()), StatusWord(7, 2));

  std::vector<uint8_t> text = Utf8ToUtf16Le("clipboard \xE2\x82\xAC");
  text.insert(text.end(), {0, 0});
  reply = Request(kRequestSetClipboard, text);
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(LoadU32(reply.data()), StatusWord(4, 0));
  reply = Request(kRequestGetClipboard, {0x20});
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(LoadU32(reply.data()), StatusWord(3, 0));
  EXPECT_EQ(Utf16LeToUtf8(std::span(reply).subspan(4)), "clipboard \xE2\x82\xAC");
}

}  // namespace
}  // namespace mirrodex
