// Both agent sessions against the real desktop session layer over loopback sockets, with an
// in-memory screen and recorded input. Ports are free ones, so no lock is needed.
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <future>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "agent/CAgent.h"
#include "agent/capture/CMemoryScrCap.h"
#include "agent/input/CRecordingUserInterface.h"
#include "protocol/LittleEndian.h"
#include "protocol/MessageCompression.h"
#include "protocol/MessageHeader.h"
#include "protocol/Requests.h"
#include "tests/agent/AgentTestSupport.h"
#include "tests/agent/DesktopPeer.h"
#include "tests/agent/EchoUserInterface.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kWidth = 240, kHeight = 320;
// Stopping must take about 1.5 s; checked generously for a loaded machine.
constexpr auto kStopBound = std::chrono::seconds(6);

std::vector<uint16_t> Pattern(uint32_t seed) {
  std::vector<uint16_t> pixels(kWidth * kHeight);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      // Bands, edges and some noise: literal, palette and left-neighbour codes all occur.
      const uint32_t v = ((x / 12 + seed) * 2654435761u) ^ ((y / 10) * 40503u) ^ ((x * y) % 7 == 0 ? seed : 0);
      pixels[y * kWidth + x] = static_cast<uint16_t>(v >> 7);
    }
  }
  return pixels;
}

template <typename Predicate>
bool Eventually(Predicate done, int timeoutMs = 20000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class AgentSession : public ::testing::Test {
 protected:
  void MakeAgent(SessionTiming timing = {},
                 std::function<std::unique_ptr<CUserInterface>()> makeUserInterface = nullptr) {
    AgentOptions options;
    options.timing = timing;
    options.commandPort = commandPort;
    options.screenPort = screenPort;
    options.makeCapture = [this](const AgentConfig&) {
      auto capture = std::make_unique<CMemoryScrCap>(kWidth, kHeight, kColourRgb565);
      screen = capture.get();
      return capture;
    };
    options.makeUserInterface = makeUserInterface ? std::move(makeUserInterface) : [this] {
      auto ui = std::make_unique<CRecordingUserInterface>();
      input = ui.get();
      return ui;
    };
    agent = std::make_unique<CAgent>(std::move(options));
    int32_t bounds[4] = {};
    ASSERT_TRUE(agent->Initialise(nullptr, bounds));
    EXPECT_EQ(bounds[2], static_cast<int32_t>(kWidth));
    EXPECT_EQ(bounds[3], static_cast<int32_t>(kHeight));
  }
  void StartDesktop(SessionSettings settings = {}) {
    desktop = std::make_unique<test::DesktopPeer>(commandPort, screenPort, settings);
    desktop->Listen();
  }
  void TearDown() override {
    agent.reset();
    desktop.reset();
  }
  void ShowAndExpect(const std::vector<uint16_t>& pixels) {
    screen->SetPixels(pixels);
    EXPECT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, pixels)));
  }

  void SetUp() override { test::FreePorts(commandPort, screenPort); }
  // Starts the agent until both sessions are connected; the desktop goes on listening a
  // moment after it was asked to, as a host's retries allow for.
  void Connect() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      if (agent->Start(u"127.0.0.1") == 0 &&
          Eventually([&] { return agent->StopFlag() == 1 || desktop->controller->BothConnected(); }) &&
          desktop->controller->BothConnected()) {
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "the agent did not connect";
  }

  // A desktop driven by hand: accepts both sessions of a start and reads their openings;
  // with `answer`, completes the opening with the default settings.
  struct Pair {
    test::TestSocket command;
    test::TestSocket screen;
  };
  Pair AcceptPair(test::Listener& commandListener, test::Listener& screenListener, bool answer) {
    Pair pair{commandListener.Accept(), screenListener.Accept()};
    uint8_t greeting[2], info[28];
    EXPECT_TRUE(pair.command.ReceiveExact(greeting, 2));
    EXPECT_TRUE(pair.screen.ReceiveExact(info, 28));
    if (answer) {
      const auto settings = SessionSettings{}.Pack();
      EXPECT_TRUE(pair.screen.SendAll(settings.data(), settings.size()));
    }
    return pair;
  }
  // Sends a status request and reads its reply on the hand-driven command session.
  static bool RequestAnswered(test::TestSocket& command, int timeoutMs) {
    uint8_t message[12];
    MessageHeader{4, 4}.Pack(message);
    StoreU32(message + 8, RequestWord(kRequestStatus, 0));
    uint8_t header[8];
    if (!command.SendAll(message, sizeof message) || !command.ReceiveExact(header, sizeof header, timeoutMs)) {
      return false;
    }
    std::vector<uint8_t> body(MessageHeader::Parse(header).Length());
    return command.ReceiveExact(body.data(), body.size(), timeoutMs);
  }
  bool Stopped(int timeoutMs = 20000) {
    return Eventually([&] {
      return agent->StopFlag() == 1 && !agent->Screen().IsRunning() && !agent->Command().IsRunning();
    }, timeoutMs);
  }
  // Starts the agent towards listeners the test answers itself, through both openings.
  void ConnectRaw(test::Listener& commandListener, test::Listener& screenListener,
                  test::TestSocket& command, test::TestSocket& screenSocket) {
    ASSERT_TRUE(commandListener.Ok() && screenListener.Ok());
    ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
    command = commandListener.Accept();
    screenSocket = screenListener.Accept();
    uint8_t greeting[2], info[28];
    ASSERT_TRUE(command.ReceiveExact(greeting, 2));
    ASSERT_TRUE(screenSocket.ReceiveExact(info, 28));
    const auto settings = SessionSettings{}.Pack();
    ASSERT_TRUE(screenSocket.SendAll(settings.data(), settings.size()));
  }
  std::unique_ptr<CUserInterface> MakeEcho() {
    auto ui = std::make_unique<test::EchoUserInterface>();
    echo = ui.get();
    return ui;
  }

  uint16_t commandPort = 0;
  uint16_t screenPort = 0;
  std::unique_ptr<test::DesktopPeer> desktop;
  std::unique_ptr<CAgent> agent;
  CMemoryScrCap* screen = nullptr;
  CRecordingUserInterface* input = nullptr;
  test::EchoUserInterface* echo = nullptr;
};

void SendRawData(test::TestSocket& socket, std::span<const uint8_t> payload) {
  uint8_t header[8];
  const auto size = static_cast<uint32_t>(payload.size());
  MessageHeader{size, size}.Pack(header);
  ASSERT_TRUE(socket.SendAll(header, sizeof header));
  ASSERT_TRUE(socket.SendAll(payload));
}

// The payload of the next data message from the agent; nullopt when none comes.
std::optional<std::vector<uint8_t>> ReceiveData(test::TestSocket& socket) {
  uint8_t headerBytes[8];
  if (!socket.ReceiveExact(headerBytes, sizeof headerBytes)) return std::nullopt;
  const MessageHeader header = MessageHeader::Parse(headerBytes);
  std::vector<uint8_t> body(header.Length());
  if (!body.empty() && !socket.ReceiveExact(body.data(), body.size())) return std::nullopt;
  if (!header.IsCompressed()) return body;
  ByteBuffer payload;
  if (InflatePayload(Compressor::kZlib, body, header.word1, 1u << 20, payload) != InflateResult::kOk) {
    return std::nullopt;
  }
  return std::vector<uint8_t>(payload.Data(), payload.Data() + payload.Size());
}

TEST_F(AgentSession, FirstImageEqualsTheScreenAndChangesArrive) {
  StartDesktop();
  MakeAgent();
  screen->SetPixels(Pattern(1));
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_EQ(agent->StopFlag(), 0);
  ShowAndExpect(Pattern(1));
  ShowAndExpect(Pattern(2));
  auto small = Pattern(2);
  small[100 * kWidth + 100] ^= 0xFFFF;
  ShowAndExpect(small);
}

TEST_F(AgentSession, PauseWordStopsAndResumesUpdates) {
  StartDesktop();
  MakeAgent();
  screen->SetPixels(Pattern(3));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, Pattern(3))));
  desktop->controller->QueuePointer(0, 0, PointerAction::kTogglePause);
  ASSERT_TRUE(Eventually([&] { return agent->Screen().IsPaused(); }));
  const uint32_t framesWhenPaused = desktop->Frames();
  screen->SetPixels(Pattern(4));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(desktop->Frames(), framesWhenPaused);
  EXPECT_EQ(desktop->Picture(), test::DesktopPeer::Expected(kColourRgb565, Pattern(3)));
  desktop->controller->QueuePointer(0, 0, PointerAction::kTogglePause);
  EXPECT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, Pattern(4))));
}

TEST_F(AgentSession, InputReachesTheCommandProcessorAndRequestsAreAnswered) {
  StartDesktop();
  // A reply wait that would take a minute per poll: the reply must come by being woken.
  SessionTiming timing;
  timing.replyPollMs = 60000;
  MakeAgent(timing);
  ASSERT_NO_FATAL_FAILURE(Connect());
  desktop->controller->QueueKey(0x0D, true);
  desktop->controller->QueuePointer(120, 160, PointerAction::kLeftDown);
  ASSERT_TRUE(Eventually([&] { return input->Events().size() == 2; }));
  EXPECT_EQ(input->Events()[0].word, 0x0401000Du);
  EXPECT_EQ(input->Events()[1].x, 120u);
  ASSERT_TRUE(desktop->controller->QueueRequest(kRequestStatus, std::vector<uint8_t>{0x20}));
  ASSERT_TRUE(desktop->owner.WaitUntil([&] { return !desktop->owner.data.empty(); }, 30000));
  desktop->owner.Locked([&] {
    ASSERT_EQ(desktop->owner.data[0].size(), 4u);
    EXPECT_EQ(LoadU32(desktop->owner.data[0].data()), 0u);
  });
}

TEST_F(AgentSession, DesktopStopEndsBothSessionsAndTheAgentCanStartAgain) {
  StartDesktop();
  MakeAgent();
  screen->SetPixels(Pattern(5));
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, Pattern(5))));
  desktop->controller->StopSessions();
  ASSERT_TRUE(Eventually([&] { return agent->StopFlag() == 1; }));
  ASSERT_TRUE(Eventually([&] { return !agent->Screen().IsRunning() && !agent->Command().IsRunning(); }));
  desktop->controller->CreateSessions(false);
  screen->SetPixels(Pattern(6));
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, Pattern(6))));
}

TEST_F(AgentSession, EveryCodingMethodAndCompressorDeliversPictures) {
  MakeAgent();
  screen->SetPixels(Pattern(7));
  for (uint32_t method = 0; method < 4; ++method) {
    for (Compressor compressor : {Compressor::kZlib, Compressor::kBzip2}) {
      for (uint32_t level : {1u, 5u, 9u}) {
        SCOPED_TRACE(testing::Message() << "method " << method << " compressor "
                                        << static_cast<int>(compressor) << " level " << level);
        SessionSettings settings;
        settings.compressor = compressor;
        settings.compressionLevel = level;
        settings.codingMethod = method;
        settings.refreshMs = 10;
        StartDesktop(settings);
        ASSERT_NO_FATAL_FAILURE(Connect());
        ASSERT_TRUE(desktop->WaitFrame(0));
        if (method < 2) {
          EXPECT_TRUE(desktop->WaitPicture(test::DesktopPeer::Expected(kColourRgb565, Pattern(7))));
        }
        // The first image of a busy screen compresses well: some message went compressed.
        desktop->owner.Locked([&] {
          bool compressed = false;
          for (const auto& u : desktop->owner.updates) compressed |= u.wireBytes < u.payloadBytes;
          EXPECT_TRUE(compressed);
        });
        EXPECT_EQ(agent->Stop(), 1);
        desktop.reset();
      }
    }
  }
}

TEST_F(AgentSession, MissingReplyEndsTheCommandSessionAfterItsPolls) {
  SessionTiming timing;
  timing.replyPollMs = 20;
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent(timing, [this] { return MakeEcho(); });
  echo->answers = false;  // a service that never answers
  test::TestSocket command, screenSocket;
  ASSERT_NO_FATAL_FAILURE(ConnectRaw(commandListener, screenListener, command, screenSocket));
  SendRawData(command, BuildRequest(kRequestStatus, std::vector<uint8_t>{0x20}));
  EXPECT_TRUE(command.WaitForEnd(20000));
  EXPECT_TRUE(Eventually([&] { return agent->StopFlag() == 1; }));
  EXPECT_TRUE(Eventually([&] { return !agent->Screen().IsRunning(); }));
  EXPECT_EQ(echo->served, 1u);
}

// A hostile desktop's data messages (empty, cut inside a word, mebibytes of zero words, many
// requests at once) are each answered at once with one reply, and a real request after them
// gets its own.
TEST_F(AgentSession, HostileDataMessagesGetOneReplyEachAndARealRequestItsOwn) {
  SessionTiming timing;
  timing.replyPollMs = 60000;  // a missing reply would outlast every read below
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent(timing, [this] { return MakeEcho(); });
  test::TestSocket command, screenSocket;
  ASSERT_NO_FATAL_FAILURE(ConnectRaw(commandListener, screenListener, command, screenSocket));
  std::vector<std::vector<uint8_t>> hostile = {{}, {1, 2, 3}, {0, 0, 0, 0, 7}};
  for (int i = 0; i < 8; ++i) hostile.emplace_back(1u << 20, 0);
  for (const auto& message : hostile) {
    SCOPED_TRACE(testing::Message() << message.size() << " bytes");
    ASSERT_NO_FATAL_FAILURE(SendRawData(command, message));
    const auto reply = ReceiveData(command);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, std::vector<uint8_t>(4, 0));
  }
  std::vector<uint8_t> many;
  const auto list = BuildRequest(kRequestProcesses, std::vector<uint8_t>{'0', '0'});
  for (int i = 0; i < 50000; ++i) many.insert(many.end(), list.begin(), list.end());
  ASSERT_NO_FATAL_FAILURE(SendRawData(command, many));
  auto reply = ReceiveData(command);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply, (std::vector<uint8_t>{1, 0, 0x40, 0x01, '0', '0'}));  // served once

  ASSERT_NO_FATAL_FAILURE(SendRawData(command, BuildRequest(kRequestFileExists, std::vector<uint8_t>{'m', 'e'})));
  reply = ReceiveData(command);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply, (std::vector<uint8_t>{2, 0, 0xB0, 0x00, 'm', 'e'}));
  EXPECT_EQ(agent->StopFlag(), 0);
}

TEST_F(AgentSession, StopReturnsPromptlyWhenTheDesktopNeverAnswers) {
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent();
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  test::TestSocket command = commandListener.Accept();
  test::TestSocket screenSocket = screenListener.Accept();
  uint8_t info[28];
  ASSERT_TRUE(screenSocket.ReceiveExact(info, 28));  // and the settings never come
  const auto start = Clock::now();
  EXPECT_EQ(agent->Stop(), 1);
  EXPECT_LT(Clock::now() - start, kStopBound);
  EXPECT_FALSE(agent->Screen().IsRunning());
  EXPECT_FALSE(agent->Command().IsRunning());
  EXPECT_TRUE(command.WaitForEnd(5000));
}

TEST_F(AgentSession, DeviceInfoCarriesThePlatformCodeAndTheFlagsApart) {
  MakeAgent();
  agent->Screen().SetPlatform(5);
  const auto bytes = agent->Screen().BuildDeviceInfo().Pack();
  EXPECT_EQ(LoadU16(&bytes[0]), kWidth);
  EXPECT_EQ(LoadU16(&bytes[2]), kHeight);
  EXPECT_EQ(bytes[16], 5);
  EXPECT_EQ(bytes[17], 0);
  EXPECT_EQ(LoadU16(&bytes[18]), kColourRgb565);
  EXPECT_EQ(LoadU16(&bytes[20]), 511);
  EXPECT_EQ(LoadU16(&bytes[22]), 64);
}

TEST_F(AgentSession, UnreachableDesktopMarksTheAgentStopped) {
  MakeAgent();
  // Nobody listens on these ports, and the name does not resolve: both sessions fail.
  for (const char16_t* host : {u"127.0.0.1", u"no-such-host.invalid"}) {
    (void)agent->Start(host);
    EXPECT_TRUE(Eventually([&] { return agent->StopFlag() == 1; }));
    EXPECT_TRUE(Eventually([&] { return !agent->Screen().IsRunning() && !agent->Command().IsRunning(); }));
  }
}

}  // namespace
}  // namespace mirrodex

namespace mirrodex {
namespace {

TEST_F(AgentSession, DesktopThatStopsReadingTheScreenIsGivenUpAfterTheSendTimeout) {
  SessionTiming timing;
  timing.sendTimeoutMs = 300;
  test::Listener commandListener(commandPort), screenListener(screenPort);
  ASSERT_TRUE(commandListener.Ok() && screenListener.Ok());
  MakeAgent(timing);
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair pair = AcceptPair(commandListener, screenListener, true);
  const int small = 4096;
  ::setsockopt(pair.screen.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  // A changing screen keeps the screen session writing to a desktop that reads nothing.
  std::atomic<bool> painting{true};
  std::thread painter([&] {
    for (uint32_t seed = 10; painting; ++seed) {
      screen->SetPixels(Pattern(seed));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  EXPECT_TRUE(Stopped());
  painting = false;
  painter.join();
  EXPECT_TRUE(pair.command.WaitForEnd(5000));
}

TEST_F(AgentSession, OpeningThatTheDesktopNeverCompletesTimesOut) {
  SessionTiming timing;
  timing.openingTimeoutMs = 300;
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent(timing);
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair pair = AcceptPair(commandListener, screenListener, false);  // the settings never come
  EXPECT_TRUE(Stopped());
  EXPECT_TRUE(pair.command.WaitForEnd(5000));
}

TEST_F(AgentSession, StartFromTheSameDesktopRestartsAnOpeningAndLeavesAnActiveConnection) {
  SessionTiming timing;
  timing.keepAliveMs = 600000;
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent(timing);
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair silent = AcceptPair(commandListener, screenListener, false);
  // The desktop that never answered has gone quiet; its wake-up asks for a new connection.
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  EXPECT_TRUE(silent.command.WaitForEnd(5000));
  EXPECT_TRUE(silent.screen.WaitForEnd(5000));
  Pair active = AcceptPair(commandListener, screenListener, true);
  ASSERT_TRUE(Eventually([&] { return agent->Screen().IsOpened() && agent->Command().IsOpened(); }));
  ASSERT_TRUE(RequestAnswered(active.command, 10000));
  // A wake-up that raced a retry which has already connected leaves that connection alone.
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  EXPECT_TRUE(RequestAnswered(active.command, 10000));
  EXPECT_EQ(agent->StopFlag(), 0);
}

TEST_F(AgentSession, StartFromTheSameDesktopRestartsAConnectionIdlePastTheKeepAlive) {
  SessionTiming timing;
  timing.keepAliveMs = 200;
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent(timing);
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair old = AcceptPair(commandListener, screenListener, true);
  ASSERT_TRUE(Eventually([&] {
    return agent->Screen().IsOpened() && agent->Command().IsOpened() &&
           agent->Screen().IdleMs() >= 200 && agent->Command().IdleMs() >= 200;
  }));
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  EXPECT_TRUE(old.command.WaitForEnd(5000));
  Pair fresh = AcceptPair(commandListener, screenListener, true);
  EXPECT_TRUE(RequestAnswered(fresh.command, 10000));
}

TEST_F(AgentSession, IdleHeadersNeitherDelayTheNextRequestNorHoldTheAgentAfterTheDesktopLeaves) {
  test::Listener commandListener(commandPort), screenListener(screenPort);
  MakeAgent();  // the product's back-off: up to a second per header if it added up
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair pair = AcceptPair(commandListener, screenListener, true);
  std::vector<uint8_t> headers(60 * 8);
  for (size_t i = 0; i < headers.size(); i += 8) MessageHeader{0x80000000u, 0}.Pack(&headers[i]);
  ASSERT_TRUE(pair.command.SendAll(headers));
  EXPECT_TRUE(RequestAnswered(pair.command, 5000));
  ASSERT_TRUE(pair.command.SendAll(headers));
  const auto left = Clock::now();
  pair.command.Close();
  pair.screen.Close();
  EXPECT_TRUE(Stopped());
  EXPECT_LT(Clock::now() - left, kStopBound);
}

// Holds every request until the test lets it go, like a copy of a large file.
class HeldRequests final : public CUserInterface {
 public:
  HeldRequests(std::atomic<bool>& serving, std::atomic<bool>& release, std::atomic<bool>& served)
      : serving_(serving), release_(release), served_(served) {}
  void Key(uint32_t) override {}
  void Mouse(uint32_t, uint32_t, uint32_t) override {}

 protected:
  void Serve(uint32_t code, std::span<const uint8_t>) override {
    serving_ = true;
    while (!release_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    SetReply(code << 20);
    served_ = true;
  }

 private:
  std::atomic<bool>& serving_;
  std::atomic<bool>& release_;
  std::atomic<bool>& served_;
};

TEST_F(AgentSession, DestroyingTheAgentWaitsForTheRequestBeingServed) {
  std::atomic<bool> serving{false}, release{false}, served{false};
  AgentOptions options;
  options.commandPort = commandPort;
  options.screenPort = screenPort;
  options.makeCapture = [](const AgentConfig&) {
    return std::make_unique<CMemoryScrCap>(kWidth, kHeight, kColourRgb565);
  };
  options.makeUserInterface = [&] { return std::make_unique<HeldRequests>(serving, release, served); };
  agent = std::make_unique<CAgent>(std::move(options));
  ASSERT_TRUE(agent->Initialise(nullptr, nullptr));
  test::Listener commandListener(commandPort), screenListener(screenPort);
  ASSERT_EQ(agent->Start(u"127.0.0.1"), 0);
  Pair pair = AcceptPair(commandListener, screenListener, true);
  uint8_t message[12];
  MessageHeader{4, 4}.Pack(message);
  StoreU32(message + 8, RequestWord(kRequestCopyFile, 0));
  ASSERT_TRUE(pair.command.SendAll(message, sizeof message));
  ASSERT_TRUE(Eventually([&] { return serving.load(); }));
  // Destroyed on a thread of its own, so a hang fails the test rather than stalling it.
  std::promise<void> done;
  auto destroying = done.get_future();
  std::thread([this, done = std::move(done)]() mutable {
    agent.reset();
    done.set_value();
  }).detach();
  // The request outlasts every wait of the stop; the agent must still be whole when it ends.
  const auto stopWaits = std::chrono::milliseconds(CAgent::kOrderlyStopMs + CAgent::kForcedStopMs);
  EXPECT_EQ(destroying.wait_for(stopWaits * 2 + std::chrono::seconds(1)), std::future_status::timeout);
  release = true;
  ASSERT_EQ(destroying.wait_for(kStopBound), std::future_status::ready);
  EXPECT_TRUE(served);
}

}  // namespace
}  // namespace mirrodex
