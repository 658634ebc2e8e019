// The agent's message layer over an attached stream, with a test socket as the desktop.
#include <zlib.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "agent/session/AgentSettings.h"
#include "agent/session/CReceiver.h"
#include "agent/session/CSocketComm.h"
#include "protocol/MessageHeader.h"
#include "protocol/SessionSettings.h"
#include "tests/support/AllocationProbe.h"
#include "tests/support/SocketPairStream.h"

namespace mirrodex {
namespace {

class AgentTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    stream = std::make_unique<test::SocketPairStream>(desktop);
    comm.AttachStream(stream.get());
    comm.SetPayloadLimit(kMaxCommandPayloadBytes);
  }
  void SendHeader(uint32_t word0, uint32_t word1) {
    uint8_t bytes[8];
    MessageHeader{word0, word1}.Pack(bytes);
    ASSERT_TRUE(desktop.SendAll(bytes, 8));
  }

  test::TestSocket desktop;
  std::unique_ptr<test::SocketPairStream> stream;
  CSocketComm comm;
};

TEST_F(AgentTransport, HeaderAndBodyArrivingInPiecesAreCompleted) {
  std::thread writer([&] {
    const uint8_t bytes[] = {5, 0, 0, 0, 5, 0};
    ASSERT_TRUE(desktop.SendAll(bytes, sizeof bytes));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint8_t rest[] = {0, 0, 'h', 'e'};
    ASSERT_TRUE(desktop.SendAll(rest, sizeof rest));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint8_t tail[] = {'l', 'l', 'o'};
    ASSERT_TRUE(desktop.SendAll(tail, sizeof tail));
  });
  ASSERT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kData);
  writer.join();
  EXPECT_EQ(std::string(comm.Payload().begin(), comm.Payload().end()), "hello");
}

TEST_F(AgentTransport, BodyCutShortFailsTheReceive) {
  SendHeader(10, 10);
  const uint8_t part[] = {1, 2, 3};
  ASSERT_TRUE(desktop.SendAll(part, sizeof part));
  desktop.Close();
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kFailed);
}

TEST_F(AgentTransport, OversizedLengthIsRefusedWithoutAllocating) {
  test::ResetLargestAllocation();
  SendHeader(0x0FFFFFFFu, 0x0FFFFFFFu);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kFailed);
  SendHeader(0x30000000u | 1000u, 0x0FFFFFFFu);  // inflates to far more than a request
  std::vector<uint8_t> junk(1000, 0x55);
  ASSERT_TRUE(desktop.SendAll(junk));
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kFailed);
  EXPECT_LT(test::LargestAllocation(), 4u << 20);
}

TEST_F(AgentTransport, CompressedRequestIsInflated) {
  std::vector<uint8_t> payload(5000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i / 50);
  std::vector<uint8_t> packed(compressBound(payload.size()));
  uLongf packedSize = packed.size();
  ASSERT_EQ(compress2(packed.data(), &packedSize, payload.data(), payload.size(), 9), Z_OK);
  SendHeader(0x30000000u | static_cast<uint32_t>(packedSize), static_cast<uint32_t>(payload.size()));
  ASSERT_TRUE(desktop.SendAll(packed.data(), packedSize));
  ASSERT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kData);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), comm.Payload().begin(), comm.Payload().end()));
}

TEST_F(AgentTransport, ControlMessagesAreRecognised) {
  SendHeader(0xE0000000u, 0x0A0EF13Fu);
  SendHeader(0x80000000u, 0);
  SendHeader(0x40000000u, 7);
  SendHeader(0xC0000000u, 0);
  ASSERT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kCommandWord);
  EXPECT_EQ(comm.CommandWord(), 0x0A0EF13Fu);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kIdle);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kIdle);
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kClose);
}

TEST_F(AgentTransport, InterruptFromAnotherThreadWakesABlockedReceive) {
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    comm.Interrupt();
  });
  EXPECT_EQ(comm.ReceiveMessage(), CCommMgr::Received::kFailed);
  stopper.join();
  EXPECT_TRUE(stream->WasClosed());
  EXPECT_EQ(stream->Releases(), 0u);
}

TEST(AgentSettingsDecoding, LevelPriorityAndPeriodFollowTheDesktopRecord) {
  AgentSettings settings;
  SessionSettings record;
  record.compressor = Compressor::kBzip2;
  record.refreshMs = 0x7FFFFFFF;  // far beyond a minute
  record.priority = 0;
  record.compressionLevel = 5;
  record.codingMethod = 3;
  EXPECT_TRUE(settings.Apply(record));
  EXPECT_EQ(settings.compressor, Compressor::kBzip2);
  EXPECT_EQ(settings.periodMs, AgentSettings::kMaxPeriodMs);
  EXPECT_EQ(settings.priority, 7);
  EXPECT_EQ(settings.bzip2BlockSize, 2u);
  EXPECT_EQ(settings.encoderKind, 3u);
  EXPECT_FALSE(settings.Apply(record));
  record.compressionLevel = 0;  // out of the profile's range: still a valid compressor set-up
  settings.Apply(record);
  EXPECT_EQ(settings.Compression().zlibLevel, 1);
  EXPECT_EQ(settings.Compression().bzip2BlockSize, 1);
}

}  // namespace
}  // namespace mirrodex
