// Copies through the bridge's remote file functions against a real mirrodex-bridge: 5 MB both
// ways intact with the progress line, Stop after the current block, and failures that leave
// what existed before.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "desktop/files/RemoteTransfer.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

class RemoteCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-remote-copy-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "root");
    const std::string link =
        "exec '" MIRRODEX_BIN_DIR "/mirrodex-bridge' --root '" + (dir / "root").string() + "'";
    ::setenv("MIRRODEX_LINK", link.c_str(), 1);
    ASSERT_EQ(CeRapiInit(), 0);
    functions = {&CeCreateFile,  &CeReadFile,     &CeWriteFile,   &CeGetFileSize,
                 &CeCloseHandle, &CeGetLastError, &CeRapiGetError};
    bytes.resize(5 * 1000 * 1000 + 123);
    std::mt19937 random(9);
    for (char& c : bytes) c = static_cast<char>(random());
    std::ofstream(dir / "source.bin", std::ios::binary) << bytes;
  }
  void TearDown() override {
    CeRapiUninit();
    fs::remove_all(dir);
  }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  size_t FilesIn(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  fs::path dir;
  RemoteFileFunctions functions;
  std::string bytes;
};

TEST_F(RemoteCopy, AFileGoesBothWaysIntactInBlocksWithTheProgressLine) {
  ASSERT_TRUE(functions.Complete());
  RemoteTransfer transfer(functions);
  std::vector<std::string> lines;
  TransferControl control;
  control.onProgress = [&](const TransferProgress& progress) {
    lines.push_back(RemoteTransfer::ProgressLine(progress));
  };
  auto result = transfer.CopyToDevice((dir / "source.bin").string(), "\\copy.bin", control);
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.bytes, bytes.size());
  EXPECT_EQ(Read(dir / "root" / "copy.bin"), bytes);
  // Five full blocks and the rest; each line gives the size and what went before the block.
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "4882.93 - 0.00 KB");
  EXPECT_EQ(lines[1], "4882.93 - 1000.00 KB");

  lines.clear();
  result = transfer.CopyFromDevice("\\copy.bin", (dir / "back.bin").string(), control);
  ASSERT_TRUE(result) << result.result.Describe();
  EXPECT_EQ(Read(dir / "back.bin"), bytes);
  EXPECT_EQ(lines.size(), 5u);
  EXPECT_EQ(FilesIn(dir), 3u) << "no temporary file stays behind";
}

TEST_F(RemoteCopy, StopEndsAfterTheCurrentBlockAndFailuresKeepWhatWasThere) {
  RemoteTransfer transfer(functions);
  std::atomic<bool> stop{false};
  TransferControl control;
  control.stop = &stop;
  control.onProgress = [&](const TransferProgress&) { stop = true; };
  auto result = transfer.CopyToDevice((dir / "source.bin").string(), "\\part.bin", control);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.bytes, RemoteTransfer::kBlockBytes);
  EXPECT_EQ(fs::file_size(dir / "root" / "part.bin"), RemoteTransfer::kBlockBytes);

  std::ofstream(dir / "keep.txt") << "previous";
  result = transfer.CopyFromDevice("\\missing.bin", (dir / "keep.txt").string(), {});
  EXPECT_FALSE(result);
  EXPECT_EQ(result.result.kind, FileResult::Kind::kRefused);
  EXPECT_EQ(Read(dir / "keep.txt"), "previous");
  EXPECT_FALSE(fs::exists(dir / "root" / "missing.bin")) << "reading never creates the device file";
  result = transfer.CopyToDevice((dir / "source.bin").string(), "\\..\\outside.bin", {});
  EXPECT_FALSE(result);
  EXPECT_FALSE(fs::exists(dir / "outside.bin"));

  // The link gone mid-copy is a communication failure; the earlier file is untouched.
  CeRapiUninit();
  result = transfer.CopyFromDevice("\\part.bin", (dir / "keep.txt").string(), {});
  EXPECT_EQ(result.result.kind, FileResult::Kind::kCommunication);
  EXPECT_EQ(Read(dir / "keep.txt"), "previous");
  EXPECT_EQ(FilesIn(dir), 3u);
}

}  // namespace
}  // namespace mirrodex
