// The link between the two ends: framing and its refusals, per-channel flow control (a slow
// stream holds up neither calls nor the other stream), closing from either end, the link
// going down under blocked users, and a device end fed garbage.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <random>
#include <thread>

#include "bridge/BridgeServer.h"
#include "bridge/CallWire.h"
#include "bridge/Link.h"
#include "bridge/LinkFrame.h"
#include "bridge/LinkStream.h"

namespace mirrodex::bridge {
namespace {

std::vector<uint8_t> Frame(uint16_t channel, FrameKind kind, std::vector<uint8_t> body) {
  std::vector<uint8_t> frame(kFrameHeaderSize);
  EncodeFrameHeader({channel, kind, static_cast<uint32_t>(body.size())}, frame.data());
  frame.insert(frame.end(), body.begin(), body.end());
  return frame;
}

TEST(LinkFrames, ArriveWholeHoweverTheBytesAreSplitAndBadHeadersAreRefused) {
  std::vector<uint8_t> bytes = Frame(0, FrameKind::kData, {1, 2, 3});
  const auto second = Frame(7, FrameKind::kCredit, {0, 1, 0, 0});
  bytes.insert(bytes.end(), second.begin(), second.end());
  std::vector<std::pair<FrameHeader, std::vector<uint8_t>>> frames;
  FrameParser parser([&](const FrameHeader& header, std::span<const uint8_t> body) {
    frames.emplace_back(header, std::vector<uint8_t>(body.begin(), body.end()));
    return true;
  });
  for (uint8_t byte : bytes) ASSERT_TRUE(parser.Feed({&byte, 1}));
  ASSERT_TRUE(parser.Feed(bytes));  // and the same frames in one piece
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[2].second, frames[0].second);
  EXPECT_EQ(frames[3].second, frames[1].second);
  EXPECT_EQ(frames[0].second, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(frames[1].first.channel, 7);
  EXPECT_EQ(frames[1].first.kind, FrameKind::kCredit);

  const auto refused = [](std::vector<uint8_t> frame) {
    FrameParser p([](const FrameHeader&, std::span<const uint8_t>) { return true; });
    return !p.Feed(frame) && p.Failed();
  };
  auto tooLong = Frame(3, FrameKind::kData, {});
  tooLong[4] = 0xFF, tooLong[5] = 0xFF, tooLong[6] = 0xFF, tooLong[7] = 0x7F;  // never allocated
  EXPECT_TRUE(refused(tooLong));
  EXPECT_TRUE(refused(Frame(0, FrameKind::kClose, {})));       // calls are data only
  EXPECT_TRUE(refused(Frame(3, FrameKind::kCredit, {1, 2})));  // credit is 4 bytes
  EXPECT_TRUE(refused(Frame(3, FrameKind::kClose, {1})));      // close carries nothing
  EXPECT_TRUE(refused({1, 0, 9, 0, 0, 0, 0, 0}));              // unknown kind
  EXPECT_TRUE(refused({1, 0, 1, 1, 0, 0, 0, 0}));              // reserved bits
  EXPECT_TRUE(refused(Frame(3, FrameKind::kData, std::vector<uint8_t>(kMaxStreamChunk + 1))));
}

// Two link ends joined by a socket pair; calls that arrive are recorded.
struct LinkPair {
  LinkPair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    a = std::make_unique<Link>(
        fds[0], fds[0], [this](std::span<const uint8_t> body) { return Record(body); },
        [this](const std::string&) { downA = true; });
    b = std::make_unique<Link>(
        fds[1], fds[1], [this](std::span<const uint8_t> body) { return Record(body); },
        [this](const std::string&) { downB = true; });
    a->Start();
    b->Start();
  }
  bool Record(std::span<const uint8_t> body) {
    std::lock_guard lock(mutex);
    calls.emplace_back(body.begin(), body.end());
    changed.notify_all();
    return body.size() != 3;  // a 3-byte call stands for a malformed one
  }
  bool AwaitCalls(size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), [&] { return calls.size() >= count; });
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::vector<uint8_t>> calls;
  std::atomic<bool> downA{false}, downB{false};
  std::unique_ptr<Link> a, b;
};

bool ReadExact(LinkChannel& channel, std::vector<uint8_t>& into, size_t count) {
  into.resize(count);
  size_t have = 0;
  while (have < count) {
    uint32_t n = 0;
    if (!channel.Read(into.data() + have, static_cast<uint32_t>(count - have), n) || n == 0)
      return false;
    have += n;
  }
  return true;
}

TEST(LinkChannels, ASlowStreamHoldsUpNeitherCallsNorTheOtherStream) {
  LinkPair pair;
  auto slowA = pair.a->OpenChannel(1), slowB = pair.b->OpenChannel(1);
  auto fastA = pair.a->OpenChannel(2), fastB = pair.b->OpenChannel(2);
  ASSERT_TRUE(slowA && slowB && fastA && fastB);
  EXPECT_FALSE(pair.a->OpenChannel(2)) << "a channel number in use is refused";

  // Three windows' worth on a stream nobody reads: the writer must wait for credit.
  std::vector<uint8_t> big(3 * kStreamWindow);
  std::mt19937 random(1);
  for (auto& byte : big) byte = static_cast<uint8_t>(random());
  auto slowWrite = std::async(std::launch::async, [&] {
    return slowA->Write(big.data(), static_cast<uint32_t>(big.size()));
  });
  EXPECT_EQ(slowWrite.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);

  const std::vector<uint8_t> call{9, 9, 9, 9};
  ASSERT_TRUE(pair.a->SendCall(call));
  ASSERT_TRUE(pair.AwaitCalls(1));
  const std::vector<uint8_t> small(100000, 0x5A);
  ASSERT_TRUE(fastA->Write(small.data(), static_cast<uint32_t>(small.size())));
  std::vector<uint8_t> got;
  ASSERT_TRUE(ReadExact(*fastB, got, small.size()));
  EXPECT_EQ(got, small);

  // Once read, everything arrives in order and the writer finishes.
  ASSERT_TRUE(ReadExact(*slowB, got, big.size()));
  EXPECT_EQ(got, big);
  EXPECT_TRUE(slowWrite.get());
}

TEST(LinkChannels, ClosingEitherEndEndsTheStreamForBothAndTheLinkGoingDownWakesEveryone) {
  LinkPair pair;
  auto a1 = pair.a->OpenChannel(1), b1 = pair.b->OpenChannel(1);
  auto a2 = pair.a->OpenChannel(2), b2 = pair.b->OpenChannel(2);
  auto b3 = pair.b->OpenChannel(3);
  const uint8_t bytes[3] = {1, 2, 3};
  ASSERT_TRUE(a1->Write(bytes, 3));
  auto* stream = new LinkStream(a1);
  stream->Close();
  // The peer reads what was sent before the close, then the end of the stream.
  std::vector<uint8_t> got;
  ASSERT_TRUE(ReadExact(*b1, got, 3));
  uint32_t n = 99;
  EXPECT_TRUE(b1->Read(got.data(), 3, n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(b1->Write(bytes, 3));
  uint32_t read = 0;
  EXPECT_EQ(stream->Read(got.data(), 3, &read), kStreamFail);
  stream->Release();

  // A Read with nothing coming and a credit-starved Write both return when the link goes down.
  auto blockedRead = std::async(std::launch::async, [&] { return b3->Read(got.data(), 3, n); });
  std::vector<uint8_t> big(2 * kStreamWindow);
  auto blockedWrite = std::async(
      std::launch::async, [&] { return a2->Write(big.data(), static_cast<uint32_t>(big.size())); });
  EXPECT_EQ(blockedWrite.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  pair.a->Stop();
  EXPECT_FALSE(blockedWrite.get());
  // b sees the end of its input; its blocked reader fails.
  EXPECT_FALSE(blockedRead.get());
  pair.b->Stop();
  EXPECT_TRUE(pair.downA && pair.downB);
}

TEST(LinkChannels, AMalformedCallOrAPeerExceedingItsCreditEndsTheLink) {
  {
    LinkPair pair;
    ASSERT_TRUE(pair.a->SendCall(std::vector<uint8_t>{1, 2, 3}));
    ASSERT_TRUE(pair.AwaitCalls(1));
    pair.b->Stop();  // joins b's reader, which refused the call and went down
    EXPECT_TRUE(pair.downB);
  }
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  std::promise<std::string> down;
  Link link(
      fds[0], fds[0], [](std::span<const uint8_t>) { return true; },
      [&](const std::string& reason) { down.set_value(reason); });
  auto channel = link.OpenChannel(5);
  link.Start();
  const std::vector<uint8_t> chunk =
      Frame(5, FrameKind::kData, std::vector<uint8_t>(kMaxStreamChunk));
  for (uint32_t sent = 0; sent <= kStreamWindow; sent += kMaxStreamChunk) {
    if (::send(fds[1], chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) break;
  }
  auto reason = down.get_future();
  ASSERT_EQ(reason.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_NE(reason.get().find("refused"), std::string::npos);
  ::close(fds[1]);
}

// The device end fed random frames and bytes ends its link, never crashes or hangs.
TEST(BridgeServerInput, GarbageOnTheLinkEndsItWithoutACrash) {
  std::mt19937 random(42);
  const std::string root = ::testing::TempDir();
  for (int round = 0; round < 200; ++round) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    std::vector<uint8_t> input;
    const int frames = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < frames; ++f) {
      std::vector<uint8_t> body(random() % 64);
      for (auto& byte : body) byte = static_cast<uint8_t>(random());
      if (round % 3 == 0) {
        // A well-formed call header with random arguments.
        WireWriter call;
        call.U32(1 + random() % 5);
        call.U16(static_cast<uint16_t>(random() % 14));
        call.U16(0);
        call.Buffer().insert(call.Buffer().end(), body.begin(), body.end());
        body = call.Buffer();
      }
      const auto frame = round % 2 == 0
                             ? Frame(static_cast<uint16_t>(random() % 3), FrameKind::kData, body)
                             : body;
      input.insert(input.end(), frame.begin(), frame.end());
    }
    ASSERT_EQ(::send(fds[1], input.data(), input.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(input.size()));
    ::shutdown(fds[1], SHUT_WR);
    BridgeServer server(fds[0], fds[0], root, "/nonexistent");
    const std::string reason = server.Run();
    EXPECT_FALSE(reason.empty());
    ::close(fds[1]);
  }
}

}  // namespace
}  // namespace mirrodex::bridge
