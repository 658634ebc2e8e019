// Session copies to and from the device against a scripted agent that keeps one device file
// in memory: the chunking of both directions, progress, Stop, and failures.
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "desktop/files/DeviceTransfer.h"
#include "protocol/Requests.h"
#include "tests/requests/ScriptedAgent.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;
using test::MakeReply;
using test::ScriptedAgent;
using test::SeenRequest;

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

// The device side: a file store with one file, answering reads in 30000-byte chunks.
struct FakeDeviceFile {
  std::vector<uint8_t> contents;
  size_t readOffset = 0;
  std::optional<uint32_t> failReadAt;  // the chunk index answered with a read error
  uint32_t chunksRead = 0;
  bool holdSecondChunk = false;

  std::optional<std::vector<uint8_t>> Answer(const SeenRequest& request) {
    switch (request.code) {
      case kRequestReadFirst:
      case kRequestReadNext: {
        if (request.code == kRequestReadFirst) readOffset = 0;
        const uint32_t index = chunksRead++;
        if (failReadAt == index) return MakeReply(kRequestReadFirst, 4);
        if (holdSecondChunk && index == 1) return std::nullopt;
        const size_t n = std::min<size_t>(30000, contents.size() - readOffset);
        std::span<const uint8_t> chunk(contents.data() + readOffset, n);
        readOffset += n;
        return MakeReply(kRequestReadFirst, readOffset == contents.size() ? 0 : 1, chunk);
      }
      case kRequestWriteFirst:
      case kRequestWriteNext: {
        if (request.code == kRequestWriteFirst) contents.clear();
        const uint32_t nameBytes = LoadU32(request.payload.data());
        contents.insert(contents.end(), request.payload.begin() + 4 + nameBytes, request.payload.end());
        return MakeReply(kRequestWriteFirst, 0);
      }
      default:
        return MakeReply(0, 0);
    }
  }
};

class Transfers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-transfer-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Local(const std::string& name) const { return (dir / name).string(); }
  void WriteLocal(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(Local(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  std::vector<uint8_t> ReadLocal(const std::string& name) const {
    std::ifstream in(Local(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // File bytes of each write request seen, after its name block.
  static std::vector<size_t> WriteSizes(const std::vector<SeenRequest>& seen) {
    std::vector<size_t> sizes;
    for (const auto& r : seen) sizes.push_back(r.payload.size() - 4 - LoadU32(r.payload.data()));
    return sizes;
  }

  fs::path dir;
  ReplyDispatcher dispatcher;
  FakeDeviceFile device;
  ScriptedAgent agent{dispatcher, [this](const SeenRequest& r) { return device.Answer(r); }};
  DeviceFileSource source{dispatcher, agent.Sender(), 300};
  DeviceTransfer transfer{source};
};

TEST_F(Transfers, PushSendsBlocksOf512BytePiecesHoldingAtLeast30000Bytes) {
  const auto bytes = RandomBytes(70000, 1);
  WriteLocal("big", bytes);
  std::vector<TransferProgress> progress;
  const TransferResult result = transfer.CopyToDevice(
      Local("big"), "\\dir\\big", {[&](const TransferProgress& p) { progress.push_back(p); }, nullptr});
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_FALSE(result.stopped);
  const auto seen = agent.Seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].code, kRequestWriteFirst);
  EXPECT_EQ(seen[1].code, kRequestWriteNext);
  EXPECT_EQ(seen[2].code, kRequestWriteNext);
  EXPECT_EQ(WriteSizes(seen), (std::vector<size_t>{30208, 30208, 9584}));
  // The payload opens with the name block of the device path.
  EXPECT_EQ(LoadU32(seen[0].payload.data()), 16u);
  EXPECT_EQ(device.contents, bytes);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress[2].bytesDone, 70000u);
  EXPECT_EQ(progress[2].totalBytes, 70000u);
  EXPECT_GT(source.BestRate(), 0);

  WriteLocal("one", {0x5A});
  ASSERT_TRUE(transfer.CopyToDevice(Local("one"), "\\one", {}));
  ASSERT_EQ(agent.Seen().size(), 4u);
  EXPECT_EQ(agent.Seen()[3].code, kRequestWriteFirst);
  EXPECT_EQ(device.contents, std::vector<uint8_t>{0x5A});

  WriteLocal("empty", {});
  ASSERT_TRUE(transfer.CopyToDevice(Local("empty"), "\\empty", {}));
  EXPECT_EQ(agent.Seen().size(), 5u);  // one request creates the empty file
  EXPECT_TRUE(device.contents.empty());
}

TEST_F(Transfers, StopDuringAPushEndsAfterTheCurrentBlockWithoutError) {
  WriteLocal("big", RandomBytes(200000, 2));
  std::atomic<bool> stop{false};
  const TransferResult result =
      transfer.CopyToDevice(Local("big"), "\\big", {[&](const TransferProgress&) { stop = true; }, &stop});
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.bytes, 30208u);
  EXPECT_EQ(agent.Seen().size(), 1u);
  EXPECT_EQ(device.contents.size(), 30208u);
}

TEST_F(Transfers, PullWritesTheDevicesChunksIntact) {
  device.contents = RandomBytes(70000, 3);
  std::vector<uint64_t> done;
  const TransferResult result = transfer.CopyFromDevice(
      "\\big", Local("pulled"), {[&](const TransferProgress& p) { done.push_back(p.bytesDone); }, nullptr});
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_EQ(ReadLocal("pulled"), device.contents);
  EXPECT_EQ(done, (std::vector<uint64_t>{30000, 60000, 70000}));
  const auto seen = agent.Seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].code, kRequestReadFirst);
  EXPECT_EQ(seen[1].code, kRequestReadNext);
  EXPECT_EQ(seen[0].payload, Utf8ToUtf16Le("\\big"));
}

TEST_F(Transfers, PullEndingOnADeviceErrorTimeoutOrShortWriteFailsAndKeepsThePartialFile) {
  device.contents = RandomBytes(70000, 4);
  device.failReadAt = 1;
  TransferResult result = transfer.CopyFromDevice("\\big", Local("error"), {});
  EXPECT_EQ(result.result.kind, FileResult::Kind::kRefused);
  EXPECT_EQ(result.result.deviceResult, 4u);
  EXPECT_EQ(ReadLocal("error").size(), 30000u);

  device.failReadAt.reset();
  device.chunksRead = 0;
  device.holdSecondChunk = true;
  result = transfer.CopyFromDevice("\\big", Local("timeout"), {});
  EXPECT_EQ(result.result.kind, FileResult::Kind::kCommunication);
  EXPECT_EQ(result.result.exchange, ExchangeStatus::kTimedOut);
  EXPECT_EQ(ReadLocal("timeout").size(), 30000u);
  agent.Release(MakeReply(kRequestReadFirst, 1));  // the late chunk is dropped

  device.holdSecondChunk = false;
  if (fs::exists("/dev/full")) {
    result = transfer.CopyFromDevice("\\big", "/dev/full", {});
    EXPECT_EQ(result.result.kind, FileResult::Kind::kLocalError);
  }
  result = transfer.CopyFromDevice("\\big", Local("missing-folder/x"), {});
  EXPECT_EQ(result.result.kind, FileResult::Kind::kLocalError);
  // Afterwards the source works again.
  result = transfer.CopyFromDevice("\\big", Local("whole"), {});
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_EQ(ReadLocal("whole"), device.contents);
}

TEST_F(Transfers, PullFromADeviceThatNeverStopsSendingEndsAtItsLimit) {
  // Every answer says more follows.
  uint32_t chunks = 0;
  bool empty = false;
  ScriptedAgent endless{dispatcher, [&](const SeenRequest&) -> std::optional<std::vector<uint8_t>> {
                          ++chunks;
                          return MakeReply(kRequestReadFirst, 1, std::vector<uint8_t>(empty ? 0 : 30000, 0x5A));
                        }};
  DeviceFileSource source2{dispatcher, endless.Sender(), 300};
  DeviceTransfer pull{source2};

  // The listing said 70000 bytes: a margin more is taken, then the copy fails and says why.
  TransferControl control;
  control.maxBytes = PullLimitForListedSize(70000);
  TransferResult result = pull.CopyFromDevice("\\endless", Local("listed"), control);
  EXPECT_EQ(result.result.kind, FileResult::Kind::kOverLimit);
  EXPECT_EQ(result.result.limit, control.maxBytes);
  EXPECT_NE(result.result.Describe().find(std::to_string(control.maxBytes) + " bytes"), std::string::npos);
  EXPECT_LE(ReadLocal("listed").size(), control.maxBytes);
  EXPECT_GE(ReadLocal("listed").size(), 70000u);

  // A caller's limit (the free space) holds the same way, to the byte.
  control.maxBytes = 65000;
  result = pull.CopyFromDevice("\\endless", Local("room"), control);
  EXPECT_EQ(result.result.kind, FileResult::Kind::kOverLimit);
  EXPECT_EQ(ReadLocal("room").size(), 60000u);

  // Empty chunks said to be followed by more never end a copy either.
  empty = true;
  chunks = 0;
  result = pull.CopyFromDevice("\\endless", Local("empty"), {});
  EXPECT_EQ(result.result.kind, FileResult::Kind::kCommunication);
  EXPECT_EQ(result.result.exchange, ExchangeStatus::kMalformed);
  EXPECT_EQ(chunks, 1u);
}

}  // namespace
}  // namespace mirrodex
