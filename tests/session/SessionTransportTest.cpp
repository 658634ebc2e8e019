// The message layer and byte channel against a raw peer on an ephemeral loopback port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "desktop/session/SessionTransport.h"
#include "desktop/session/UserNotifier.h"
#include "protocol/LittleEndian.h"
#include "protocol/MessageHeader.h"
#include "tests/support/AllocationProbe.h"
#include "tests/support/SocketPairStream.h"
#include "tests/support/TestSocket.h"

namespace mirrodex {
namespace {

using test::TestSocket;
using Received = SessionTransport::Received;

constexpr size_t kSmallAllocation = 16u << 20;

// A transport connected to a test peer through a listener on an ephemeral port.
struct Connected {
  SessionTransport transport;
  TestSocket peer;

  Connected() {
    TestSocket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener.Fd(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener.Fd(), 1) != 0 ||
        ::getsockname(listener.Fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no loopback listener";
      return;
    }
    EXPECT_TRUE(transport.Channel().Connect("127.0.0.1", ntohs(address.sin_port)));
    peer = TestSocket(::accept4(listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
  }

  // Sends `bytes` in pieces of `piece` bytes with a pause between, so TCP delivers them apart.
  void SendInPieces(std::span<const uint8_t> bytes, size_t piece) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
      ASSERT_TRUE(peer.SendAll(bytes.subspan(at, std::min(piece, bytes.size() - at))));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
};

std::vector<uint8_t> Header(uint32_t word0, uint32_t word1) {
  std::vector<uint8_t> bytes(kHeaderSize);
  MessageHeader{word0, word1}.Pack(bytes.data());
  return bytes;
}

// A zlib stream of `size` zero bytes, built piecewise so the test never holds them all.
std::vector<uint8_t> ZlibOfZeros(size_t size) {
  z_stream z{};
  deflateInit(&z, 9);
  std::vector<uint8_t> zeros(1 << 20), out;
  std::vector<uint8_t> chunk(1 << 16);
  for (size_t left = size; ; ) {
    const size_t now = std::min(left, zeros.size());
    left -= now;
    z.next_in = zeros.data();
    z.avail_in = static_cast<uInt>(now);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    int rc;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      rc = deflate(&z, flush);
      out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
    } while (z.avail_out == 0);
    if (rc == Z_STREAM_END) break;
  }
  deflateEnd(&z);
  return out;
}

TEST(TransportReading, OpeningRecordsAndHeadersSplitIntoManyPiecesAreReadWhole) {
  Connected c;
  c.SendInPieces(std::vector<uint8_t>{'x', 'x'}, 1);
  EXPECT_TRUE(c.transport.ReadGreeting(5000));

  const DeviceInfo info = MakeDeviceInfo(240, 320, kColourRgb565);
  const auto packed = info.Pack();
  std::thread sender([&] { c.SendInPieces(packed, 5); });
  EXPECT_TRUE(c.transport.ReadDeviceInfoAndSendSettings("p", {}, 5000));
  sender.join();
  EXPECT_EQ(c.transport.Info().width, 240);

  std::thread headerSender([&] { c.SendInPieces(Header(0x40000000u, 0x12345678u), 1); });
  EXPECT_EQ(c.transport.ReceiveMessage(), Received::kStatusValue);
  headerSender.join();
  ASSERT_EQ(c.transport.Payload().size(), 4u);
  EXPECT_EQ(LoadU32(c.transport.Payload().data()), 0x12345678u);
}

TEST(TransportReading, CutHeaderOrShortBodyFailsTheMessage) {
  {
    Connected c;
    ASSERT_TRUE(c.peer.SendAll(Header(5, 5).data(), 3));
    c.peer.Close();
    EXPECT_EQ(c.transport.ReceiveMessage(), Received::kFailed);
  }
  {
    Connected c;
    ASSERT_TRUE(c.peer.SendAll(Header(100, 100)));
    ASSERT_TRUE(c.peer.SendAll(std::vector<uint8_t>(40, 7)));
    c.peer.Close();
    EXPECT_EQ(c.transport.ReceiveMessage(), Received::kFailed);
    EXPECT_TRUE(c.transport.Payload().empty());
  }
}

TEST(TransportReading, OversizedOrUndecodableBodiesFailWithoutLargeAllocations) {
  const auto bomb = ZlibOfZeros(200u << 20);
  const auto valid = ZlibOfZeros(100);
  struct Case {
    const char* name;
    uint32_t word0, word1;
    std::vector<uint8_t> body;
  };
  const std::vector<Case> cases = {
      {"length 2^28-1", 0x0FFFFFFFu, 0x0FFFFFFFu, std::vector<uint8_t>(64)},
      {"garbage compressed body", 0x30000000u | 64, 1000, std::vector<uint8_t>(64, 0xA5)},
      {"word1 of 4 GiB", 0x30000000u | static_cast<uint32_t>(valid.size()), 0xFFFFFFFFu, valid},
      {"bomb declared at its size", 0x30000000u | static_cast<uint32_t>(bomb.size()), 200u << 20, bomb},
      {"bomb declared small", 0x30000000u | static_cast<uint32_t>(bomb.size()), 1000, bomb},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Connected c;
    std::thread sender([&] { (void)c.peer.SendAll(Header(k.word0, k.word1)), (void)c.peer.SendAll(k.body); });
    test::ResetLargestAllocation();
    EXPECT_EQ(c.transport.ReceiveMessage(), Received::kFailed);
    EXPECT_LT(test::LargestAllocation(), kSmallAllocation);
    c.transport.Channel().Close();
    sender.join();
  }
}

TEST(TransportOpening, SettingsFollowTheProfileAndTheCompressorServesLaterMessages) {
  Connected c;
  SessionSettings chosen;
  chosen.compressor = Compressor::kBzip2;
  chosen.refreshMs = 250;
  chosen.priority = 3;
  chosen.compressionLevel = 5;
  chosen.codingMethod = kCodingStatisticalReduced;
  std::string askedFor;
  const ProfileSettingsReader reader = [&](const std::string& name) {
    askedFor = name;
    return chosen;
  };
  DeviceInfo info = MakeDeviceInfo(240, 320, kColourRgb565);
  info.xPitch = -2;
  ASSERT_TRUE(c.peer.SendAll(info.Pack()));
  ASSERT_TRUE(c.transport.ReadDeviceInfoAndSendSettings("Office", reader, 5000));
  EXPECT_EQ(askedFor, "Office");
  uint8_t words[8];
  ASSERT_TRUE(c.peer.ReceiveExact(words, sizeof words));
  EXPECT_EQ(LoadU32(words), 250u << 1);                     // bzip2: bit 0 clear
  EXPECT_EQ(LoadU32(words + 4), 3u | (5u << 2) | (2u << 6));
  EXPECT_EQ(c.transport.Info().colourFormat, kColourReducedGrey);
  EXPECT_EQ(c.transport.Info().landscape, 1);

  DataMessageWriter writer;
  writer.SetParams({Compressor::kBzip2, 9, 9});
  ByteBuffer message;
  const std::vector<uint8_t> payload(3000, 0x42);
  ASSERT_TRUE(writer.Build(payload, message));
  ASSERT_TRUE(MessageHeader::Parse(message.Data()).IsCompressed());
  ASSERT_TRUE(c.peer.SendAll(message.Bytes()));
  ASSERT_EQ(c.transport.ReceiveMessage(), Received::kData);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), c.transport.Payload().begin(),
                         c.transport.Payload().end()));
}

TEST(TransportOpening, GarbageOrMissingOpeningRecordsFail) {
  {
    Connected c;
    ASSERT_TRUE(c.peer.SendAll(std::vector<uint8_t>(kDeviceInfoSize, 0xFF)));
    EXPECT_FALSE(c.transport.ReadDeviceInfoAndSendSettings("p", {}, 5000));
  }
  {
    Connected c;  // a silent peer
    EXPECT_FALSE(c.transport.ReadDeviceInfoAndSendSettings("p", {}, 200));
    EXPECT_FALSE(c.transport.ReadGreeting(200));
  }
}

class RecordingNotifier : public UserNotifier {
 public:
  void ShowError(std::string_view text, std::string_view caption) override {
    shown.emplace_back(std::string(text) + "|" + std::string(caption));
  }
  std::vector<std::string> shown;
};

TEST(ByteChannelClosing, CloseFromAnotherThreadWakesAcceptReceiveAndStreamRead) {
  {
    ByteChannel channel;
    std::thread closer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      channel.Close();
    });
    EXPECT_EQ(channel.Listen(0), ByteChannel::ListenResult::kFailed);  // blocked in accept until closed
    closer.join();
  }
  {
    Connected c;
    std::thread closer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      c.transport.Channel().Close();
    });
    EXPECT_EQ(c.transport.ReceiveMessage(), Received::kFailed);
    closer.join();
    EXPECT_FALSE(c.transport.Channel().IsConnected());
  }
  {
    TestSocket peer;
    test::SocketPairStream stream(peer);
    ByteChannel channel;
    channel.AttachStream(&stream);
    EXPECT_EQ(channel.Listen(3938), ByteChannel::ListenResult::kConnected);  // a stream is already the connection
    std::thread closer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      channel.Close();
    });
    uint8_t byte;
    EXPECT_EQ(channel.Receive(&byte, 1), 0u);
    closer.join();
    EXPECT_TRUE(stream.WasClosed());
    EXPECT_EQ(stream.Releases(), 0u);  // the stream's owner releases it, not the channel
    EXPECT_FALSE(channel.IsStreamMode());
  }
}

TEST(ByteChannelConnecting, UnknownHostShowsOneMessageAndFails) {
  RecordingNotifier notifier;
  ByteChannel channel(&notifier);
  EXPECT_FALSE(channel.Connect("no-such-host.invalid", 3950));
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0], "Failed to create connection|Error");
}

}  // namespace
}  // namespace mirrodex
