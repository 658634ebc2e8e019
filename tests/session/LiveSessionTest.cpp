// Both sessions and the connection controller against the test agent over real loopback
// sockets on the product ports (these tests hold the ports' CTest resource lock).
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "desktop/session/ConnectionController.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/session/RecordingOwner.h"
#include "tests/support/AllocationProbe.h"
#include "tests/support/SocketPairStream.h"
#include "tests/support/TestAgent.h"

namespace mirrodex {
namespace {

using test::TestAgent;
using test::TestSocket;
using Clock = std::chrono::steady_clock;

// Stopping must take about 1.5 s at most; checked generously so a loaded machine passes.
constexpr auto kStopBound = std::chrono::milliseconds(7500);

class LiveSession : public ::testing::Test {
 protected:
  void Start(bool streamMode = false) {
    config.log = &owner;
    controller = std::make_unique<ConnectionController>(owner, decoder, config);
    controller->CreateSessions(streamMode);
  }
  void TearDown() override { controller.reset(); }

  bool WaitForEvent(uint32_t code, size_t count) {
    return owner.WaitUntil([&] { return owner.Count(code) >= count; });
  }
  // Sends a picture and checks the desktop's frame buffer shows it after the frame completes.
  void ExpectPictureArrives(TestAgent& agent, uint32_t seed) {
    const auto pixels = agent.Pattern(seed);
    const uint32_t before = owner.Locked([&] { return owner.frames; });
    ASSERT_GT(agent.SendPicture(pixels), 0);
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.frames > before; }));
    owner.Locked([&] { EXPECT_EQ(owner.picture, agent.Expected(pixels)); });
  }
  // Connects an agent, retrying while the desktop is still going back to listening.
  void ConnectAgent(TestAgent& agent) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!agent.Connect() && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(agent.ScreenSocket().IsOpen());
  }
  void ExpectCloseMessage(TestAgent& agent) {
    for (auto m = agent.ReadCommandMessage(); m; m = agent.ReadCommandMessage()) {
      if (m->header.word0 == CloseMessage().word0) return;
    }
    ADD_FAILURE() << "no close message on the command session";
  }
  // Stops the sessions and checks it returned in time and logged both shutdowns.
  void StopPromptly() {
    const auto started = Clock::now();
    controller->StopSessions();
    EXPECT_LT(Clock::now() - started, kStopBound);
    owner.Locked([&] {
      EXPECT_EQ(std::count(owner.log.begin(), owner.log.end(), "Shutdown\r\n"), 2);
      owner.log.clear();
    });
  }

  SessionConfig config;
  ScreenDecoder decoder;
  test::RecordingOwner owner{decoder};
  std::unique_ptr<ConnectionController> controller;
};

TEST_F(LiveSession, OpeningSendsProfileSettingsAndFieldsAreDecodedIntoFrames) {
  config.profile = "Office";
  config.readSettings = [](const std::string& profile) {
    SessionSettings s;
    s.refreshMs = profile == "Office" ? 250 : 1;
    s.priority = 2;
    s.compressionLevel = 5;
    s.codingMethod = kCodingFullColour;
    return s;
  };
  Start();
  TestAgent agent;
  ConnectAgent(agent);
  ASSERT_TRUE(WaitForEvent(kEventConnected, 2));
  EXPECT_EQ(agent.Settings().refreshMs, 250u);
  EXPECT_EQ(agent.Settings().priority, 2u);
  EXPECT_EQ(agent.Settings().compressionLevel, 5u);
  EXPECT_EQ(agent.Settings().codingMethod, kCodingFullColour);
  EXPECT_TRUE(controller->BothConnected());
  EXPECT_EQ(controller->ConnectedInfo().width, 240);

  ExpectPictureArrives(agent, 1);
  ExpectPictureArrives(agent, 2);
  // The frame is signalled while the odd field is decoded, before that field's update is
  // reported: wait for the report too.
  ASSERT_TRUE(owner.WaitUntil([&] { return owner.updates.size() >= 4; }));
  owner.Locked([&] {
    // Two fields per picture; only the odd one completes a frame.
    ASSERT_EQ(owner.updates.size(), 4u);
    for (size_t i = 0; i < owner.updates.size(); ++i) {
      EXPECT_EQ(owner.updates[i].fields, 1u);
      EXPECT_EQ(owner.updates[i].framesCompleted, i % 2);
    }
    EXPECT_EQ(owner.frames, 2u);
  });
}

TEST_F(LiveSession, ScreenUpdatesCompressedWithBzip2AreDecoded) {
  config.readSettings = [](const std::string&) {
    SessionSettings s;
    s.compressor = Compressor::kBzip2;
    return s;
  };
  Start();
  TestAgent agent;
  ConnectAgent(agent);
  EXPECT_EQ(agent.Settings().compressor, Compressor::kBzip2);
  ExpectPictureArrives(agent, 3);
}

TEST_F(LiveSession, InputWordsRequestsRepliesAndStatusValuesArriveAsSent) {
  Start();
  TestAgent agent;
  ConnectAgent(agent);
  controller->QueuePointer(239, 319, PointerAction::kLeftDown);
  controller->QueueKey(112, true);
  controller->QueuePointer(0, 0, PointerAction::kTogglePause);
  controller->QueueKey('a', false);
  for (uint32_t expected : {0x0A0EF13Fu, 0x04010070u, 0x0B000000u, 0x04000061u}) {
    const auto m = agent.ReadCommandMessage();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.word0, 0xE0000000u);
    EXPECT_EQ(m->header.word1, expected);
  }

  // A large, compressible request arrives whole; the reply reaches OnData unchanged.
  std::vector<uint8_t> text(5000);
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>('a' + i % 7);
  ASSERT_TRUE(controller->QueueRequest(kRequestSetClipboard, text));
  const auto request = agent.ReadCommandMessage();
  ASSERT_TRUE(request);
  ASSERT_EQ(request->payload.size(), 4 + text.size());
  EXPECT_EQ(LoadU32(request->payload.data()), RequestWord(kRequestSetClipboard, 5000));
  EXPECT_TRUE(std::equal(text.begin(), text.end(), request->payload.begin() + 4));
  std::vector<uint8_t> reply(4 + 20, 0x11);
  StoreU32(reply.data(), StatusWord(kRequestSetClipboard, 0));
  ASSERT_TRUE(agent.SendReply(reply));
  ASSERT_TRUE(owner.WaitUntil([&] { return owner.data.size() == 1; }));
  owner.Locked([&] { EXPECT_EQ(owner.data[0], reply); });

  ASSERT_TRUE(agent.SendScreenMessage({0x40000000u, 0xCAFEF00Du}));
  ASSERT_TRUE(owner.WaitUntil([&] { return owner.data.size() == 2; }));
  owner.Locked([&] { EXPECT_EQ(LoadU32(owner.data[1].data()), 0xCAFEF00Du); });

  EXPECT_FALSE(controller->QueueRequest(64, {}));
}

TEST_F(LiveSession, AgentCloseOrFailureLeadsToListeningAgainForTheNextAgent) {
  Start();
  {
    TestAgent first;
    ConnectAgent(first);
    ExpectPictureArrives(first, 1);
    ASSERT_TRUE(first.SendClose());
    ASSERT_TRUE(WaitForEvent(kEventEnded, 1));
  }
  {
    TestAgent second(176, 220);
    ConnectAgent(second);
    ASSERT_TRUE(WaitForEvent(kEventConnected, 4));
    EXPECT_EQ(decoder.FillIndex(), 1u);  // a new connection fills the palette from 1 again
    EXPECT_EQ(controller->ConnectedInfo().width, 176);
    ExpectPictureArrives(second, 2);
    // The agent vanishes without a close message: a failure, not an end.
    second.ScreenSocket().Close();
    second.CommandSocket().Close();
    ASSERT_TRUE(WaitForEvent(kEventError, 1));
    // The session logs the failure just after reporting it.
    EXPECT_TRUE(owner.WaitUntil(
        [&] { return std::find(owner.log.begin(), owner.log.end(), "Error\r\n") != owner.log.end(); }));
  }
  TestAgent third;
  ConnectAgent(third);
  ExpectPictureArrives(third, 3);
}

TEST_F(LiveSession, StopReturnsPromptlyFromEveryStateAndSendsTheCloseMessage) {
  Start();  // listening
  StopPromptly();

  controller->CreateSessions(false);  // connected and idle
  {
    TestAgent agent;
    ConnectAgent(agent);
    ASSERT_TRUE(WaitForEvent(kEventConnected, 2));
    StopPromptly();
    ExpectCloseMessage(agent);
  }

  controller->CreateSessions(false);  // the command thread blocked waiting for a reply
  {
    TestAgent agent;
    ConnectAgent(agent);
    ASSERT_TRUE(controller->QueueRequest(kRequestStatus, std::vector<uint8_t>{0x20}));
    ASSERT_TRUE(agent.ReadCommandMessage());
    StopPromptly();
    ExpectCloseMessage(agent);
  }

  controller->CreateSessions(false);  // both threads blocked in an opening read
  {
    TestSocket command = TestSocket::Connect(kCommandPort);
    TestSocket screen = TestSocket::Connect(kScreenPort);
    ASSERT_TRUE(command.IsOpen() && screen.IsOpen());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    StopPromptly();
    EXPECT_TRUE(screen.WaitForEnd(5000));
  }
}

TEST_F(LiveSession, IdleCommandSessionBacksOffWhileAQueuedKeyLeavesAtOnce) {
  std::mutex delaysMutex;
  std::vector<uint32_t> delays;
  config.onBackOff = [&](uint32_t ms) {
    std::lock_guard lock(delaysMutex);
    delays.push_back(ms);
  };
  Start();
  TestAgent agent;
  ConnectAgent(agent);
  const std::vector<uint32_t> expected = {101, 201, 301, 401, 501, 601, 701, 801, 901, 1001, 1001};
  for (int i = 0; i < 200; ++i) {
    {
      std::lock_guard lock(delaysMutex);
      if (delays.size() >= expected.size()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  {
    std::lock_guard lock(delaysMutex);
    ASSERT_GE(delays.size(), expected.size());
    EXPECT_EQ(std::vector<uint32_t>(delays.begin(), delays.begin() + expected.size()), expected);
    delays.clear();
  }
  // The thread now sleeps 1001 ms between checks; a key must not wait for the next one.
  const auto queued = Clock::now();
  controller->QueueKey(13, true);
  const auto m = agent.ReadCommandMessage();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->header.word1, KeyWord(13, true));
  EXPECT_LT(Clock::now() - queued, std::chrono::milliseconds(500));
  for (int i = 0; i < 100; ++i) {
    {
      std::lock_guard lock(delaysMutex);
      if (!delays.empty()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::lock_guard lock(delaysMutex);
  ASSERT_FALSE(delays.empty());
  EXPECT_EQ(delays.front(), 101u);  // the key reset the back-off
}

TEST_F(LiveSession, StreamModeSessionsRunOverAttachedStreams) {
  Start(/*streamMode=*/true);
  TestSocket screenPeer, commandPeer;
  test::SocketPairStream screenStream(screenPeer);
  test::SocketPairStream commandStream(commandPeer);
  controller->AttachStreams(&screenStream, &commandStream);
  TestAgent agent;
  ASSERT_TRUE(agent.Open(std::move(commandPeer), std::move(screenPeer)));
  ASSERT_TRUE(WaitForEvent(kEventConnected, 2));
  ExpectPictureArrives(agent, 4);
  controller->QueueKey(113, true);
  const auto m = agent.ReadCommandMessage();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->header.word1, KeyWord(113, true));

  StopPromptly();  // the screen thread is blocked in a stream Read
  EXPECT_TRUE(screenStream.WasClosed());
  EXPECT_TRUE(commandStream.WasClosed());
  EXPECT_EQ(screenStream.Releases() + commandStream.Releases(), 0u);
}

// ---- Peers that misbehave fail only their own connection.

enum class BadPeer {
  kHeaderCutAtThreeBytes,
  kBodyShorterThanLength,
  kLengthOfTwoToThe28,
  kBodyThatDoesNotInflate,
  kWord1OfFourGiB,
  kZlibBomb,
  kGarbageDeviceInfo,
  kSilent,
};

std::vector<uint8_t> HeaderBytes(uint32_t word0, uint32_t word1) {
  std::vector<uint8_t> b(kHeaderSize);
  MessageHeader{word0, word1}.Pack(b.data());
  return b;
}

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& data) {
  DataMessageWriter writer;
  ByteBuffer message;
  if (!writer.Build(data, message)) return {};
  return {message.Data() + kHeaderSize, message.Data() + message.Size()};
}

// Plays one bad peer: after a normal opening (unless the opening itself is the fault) it
// sends the faulty bytes and closes.
void PlayBadPeer(BadPeer kind) {
  TestSocket command = TestSocket::Connect(kCommandPort);
  TestSocket screen = TestSocket::Connect(kScreenPort);
  if (kind == BadPeer::kSilent) {
    screen.WaitForEnd(10000);
    return;
  }
  (void)command.SendAll("xx", 2);
  if (kind == BadPeer::kGarbageDeviceInfo) {
    (void)screen.SendAll(std::vector<uint8_t>(kDeviceInfoSize, 0xEE));
    screen.WaitForEnd(10000);
    return;
  }
  (void)screen.SendAll(MakeDeviceInfo(240, 320, kColourRgb565).Pack());
  uint8_t settings[8];
  (void)screen.ReceiveExact(settings, sizeof settings);
  std::vector<uint8_t> bytes;
  switch (kind) {
    case BadPeer::kHeaderCutAtThreeBytes:
      bytes = HeaderBytes(10, 10);
      bytes.resize(3);
      break;
    case BadPeer::kBodyShorterThanLength:
      bytes = HeaderBytes(1000, 1000);
      bytes.resize(bytes.size() + 500, 0);
      break;
    case BadPeer::kLengthOfTwoToThe28:
      bytes = HeaderBytes(0x0FFFFFFFu, 0x0FFFFFFFu);
      break;
    case BadPeer::kBodyThatDoesNotInflate:
      bytes = HeaderBytes(0x30000000u | 100, 5000);
      bytes.resize(bytes.size() + 100, 0x5A);
      break;
    case BadPeer::kWord1OfFourGiB: {
      const auto body = Deflated(std::vector<uint8_t>(5000, 1));
      bytes = HeaderBytes(0x30000000u | static_cast<uint32_t>(body.size()), 0xFFFFFFFFu);
      bytes.insert(bytes.end(), body.begin(), body.end());
      break;
    }
    case BadPeer::kZlibBomb: {
      // 200 MiB of zeros deflate to about 200 KB: more than any screen payload may take.
      const auto body = Deflated(std::vector<uint8_t>(1 << 20, 0));
      std::vector<uint8_t> bomb;
      for (int i = 0; i < 200; ++i) bomb.insert(bomb.end(), body.begin(), body.end());
      bytes = HeaderBytes(0x30000000u | static_cast<uint32_t>(bomb.size()), 200u << 20);
      bytes.insert(bytes.end(), bomb.begin(), bomb.end());
      break;
    }
    default:
      break;
  }
  (void)screen.SendAll(bytes);
  screen.Close();
  command.WaitForEnd(10000);
}

class BadPeerSession : public LiveSession, public ::testing::WithParamInterface<BadPeer> {};

TEST_P(BadPeerSession, FailsOnlyThatConnectionWithSmallMemoryAndTheNextAgentIsServed) {
  config.openingTimeoutMs = 300;  // the silent peer's wait, shortened
  Start();
  test::ResetLargestAllocation();
  std::thread peer([&] { PlayBadPeer(GetParam()); });
  ASSERT_TRUE(WaitForEvent(kEventError, 1));
  peer.join();
  EXPECT_LT(test::LargestAllocation(), size_t{16} << 20);
  TestAgent agent;
  ConnectAgent(agent);
  ExpectPictureArrives(agent, 5);
}

std::string BadPeerName(const ::testing::TestParamInfo<BadPeer>& info) {
  static const char* const names[] = {"HeaderCutAtThreeBytes", "BodyShorterThanLength",
                                      "LengthOfTwoToThe28",    "BodyThatDoesNotInflate",
                                      "Word1OfFourGiB",        "ZlibBomb",
                                      "GarbageDeviceInfo",     "Silent"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(
    Peers, BadPeerSession,
    ::testing::Values(BadPeer::kHeaderCutAtThreeBytes, BadPeer::kBodyShorterThanLength,
                      BadPeer::kLengthOfTwoToThe28, BadPeer::kBodyThatDoesNotInflate,
                      BadPeer::kWord1OfFourGiB, BadPeer::kZlibBomb, BadPeer::kGarbageDeviceInfo,
                      BadPeer::kSilent),
    BadPeerName);

}  // namespace
}  // namespace mirrodex
