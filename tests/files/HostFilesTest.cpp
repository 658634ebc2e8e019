// File sources and session copies against the real agent in mirrodex-host: listings with
// sizes and dates, copies both ways intact, Stop during a large push, a failing pull.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "desktop/files/DeviceTransfer.h"
#include "tests/requests/HostDevice.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

std::string RandomText(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class HostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    ASSERT_TRUE(device.Start(error)) << error;
    ASSERT_TRUE(device.Connect()) << device.HostLog();
    local = fs::temp_directory_path() / ("mirrodex-host-files-" + std::to_string(::getpid()));
    fs::remove_all(local);
    fs::create_directories(local);
    source = std::make_unique<DeviceFileSource>(device.Dispatcher(), device.Sender());
  }
  void TearDown() override {
    source.reset();
    fs::remove_all(local);
  }

  test::HostDevice device;
  fs::path local;
  std::unique_ptr<DeviceFileSource> source;
};

TEST_F(HostFiles, ListingShowsSizesDatesAndFolders) {
  std::ofstream(device.Root() / "seven.bin") << "1234567";
  fs::create_directories(device.Root() / "sub");
  const time_t when = 1700000000;  // 2023-11-14 22:13:20 UTC
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (device.Root() / "seven.bin").c_str(), times, 0), 0);

  std::vector<FileEntry> entries;
  ASSERT_TRUE(source->ListFolder("\\", entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "seven.bin");
  EXPECT_EQ(entries[0].size, 7u);
  EXPECT_EQ(entries[0].lastWrite.year, 2023u);
  EXPECT_EQ(entries[0].lastWrite.month, 11u);
  EXPECT_EQ(entries[0].lastWrite.day, 14u);
  EXPECT_EQ(entries[0].lastWrite.hour, 22u);
  EXPECT_FALSE(entries[0].IsFolder());
  EXPECT_TRUE(entries[1].IsFolder());
  EXPECT_GT(source->BestRate(), 0);

  std::vector<DeviceRoot> roots;
  ASSERT_TRUE(source->ListRoots(roots));
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_EQ(roots[0].text, "\\");
  // An empty folder cannot be listed: the device reports nothing found.
  EXPECT_EQ(source->ListFolder("\\sub", entries).kind, FileResult::Kind::kRefused);
}

TEST_F(HostFiles, CopiesArriveIntactBothWays) {
  const std::string bytes = RandomText(70000, 5);
  std::ofstream(local / "up.bin", std::ios::binary) << bytes;
  DeviceTransfer transfer(*source);
  std::vector<uint64_t> pushed, pulled;
  const TransferResult up = transfer.CopyToDevice(
      (local / "up.bin").string(), "\\up.bin", {[&](const TransferProgress& p) { pushed.push_back(p.bytesDone); }, nullptr});
  ASSERT_TRUE(up) << up.result.Describe();
  EXPECT_EQ(pushed, (std::vector<uint64_t>{30208, 60416, 70000}));
  EXPECT_EQ(ReadAll(device.Root() / "up.bin"), bytes);

  const TransferResult down = transfer.CopyFromDevice(
      "\\up.bin", (local / "down.bin").string(), {[&](const TransferProgress& p) { pulled.push_back(p.bytesDone); }, nullptr});
  ASSERT_TRUE(down) << down.result.Describe();
  EXPECT_EQ(pulled, (std::vector<uint64_t>{30000, 60000, 70000}));
  EXPECT_EQ(ReadAll(local / "down.bin"), bytes);
}

TEST_F(HostFiles, StopDuringALargePushEndsAfterTheCurrentBlockAndAFailingPullIsReported) {
  std::ofstream(local / "big.bin", std::ios::binary) << RandomText(20 << 20, 6);
  DeviceTransfer transfer(*source);
  std::atomic<bool> stop{false};
  const TransferResult stopped = transfer.CopyToDevice(
      (local / "big.bin").string(), "\\big.bin",
      {[&](const TransferProgress& p) {
         if (p.bytesDone >= 10 * 30208) stop = true;
       },
       &stop});
  ASSERT_TRUE(stopped) << stopped.result.Describe();
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.bytes, 10u * 30208);
  EXPECT_EQ(fs::file_size(device.Root() / "big.bin"), 10u * 30208);

  const TransferResult missing = transfer.CopyFromDevice("\\missing.bin", (local / "m.bin").string(), {});
  EXPECT_EQ(missing.result.kind, FileResult::Kind::kRefused);
  EXPECT_EQ(missing.result.deviceResult, 2u);  // the device could not open it
  const TransferResult outside = transfer.CopyFromDevice("\\..\\etc\\hostname", (local / "o.bin").string(), {});
  EXPECT_FALSE(outside);
  // The source goes on working after failures.
  bool exists = false;
  ASSERT_TRUE(source->Exists("\\big.bin", exists));
  EXPECT_TRUE(exists);
}

}  // namespace
}  // namespace mirrodex
