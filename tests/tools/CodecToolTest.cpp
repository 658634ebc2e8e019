// mirrodex-codec as a user runs it: raw frames in, a recorded stream out and back, and
// clear failures for broken streams and options.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "protocol/LittleEndian.h"
#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

class CodecToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mirrodex-codec-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs the tool; returns its exit code and keeps its error output.
  int Run(const std::string& args) {
    const std::string command = std::string(MIRRODEX_CODEC_BINARY) + " " + args + " 2>" + Path("stderr.txt");
    const int status = std::system(command.c_str());
    std::ifstream err(Path("stderr.txt"));
    errors_.assign(std::istreambuf_iterator<char>(err), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
  std::string errors_;
};

constexpr uint32_t kW = 40, kH = 24;

// Three RGB565 frames: a flat screen, a changed corner, many colours.
std::vector<uint16_t> Frames() {
  std::vector<uint16_t> px(3 * kW * kH, 0x39E7);
  for (uint32_t i = 0; i < 40; ++i) px[kW * kH + i] = 0xF800;
  std::mt19937 rng(5);
  for (uint32_t i = 2 * kW * kH; i < px.size(); ++i) px[i] = static_cast<uint16_t>(rng());
  return px;
}

TEST_F(CodecToolTest, EncodedStreamDecodesToEveryFrame) {
  const std::vector<uint16_t> frames = Frames();
  std::vector<uint8_t> raw(frames.size() * 2);
  for (size_t i = 0; i < frames.size(); ++i) StoreU16(&raw[2 * i], frames[i]);
  WriteBytes(Path("in.raw"), raw);
  const std::string geometry = "--width 40 --height 24 --format 6 ";
  for (const char* compress : {"zlib", "bzip2"}) {
    ASSERT_EQ(Run("encode " + geometry + "--kind 0 --compress " + compress + " --level 3 " + Path("in.raw") + " " +
                  Path("s.stream")),
              0)
        << errors_;
    ASSERT_EQ(Run("decode " + geometry + "--compress " + compress + " --png " + Path("last.png") + " " +
                  Path("s.stream") + " " + Path("out.raw")),
              0)
        << errors_;
    const std::vector<uint8_t> out = ReadBytes(Path("out.raw"));
    ASSERT_EQ(out.size(), raw.size());
    for (size_t i = 0; i < frames.size(); ++i) ASSERT_EQ(LoadU16(&out[2 * i]), ToRgb555(6, frames[i])) << i;
    const std::vector<uint8_t> png = ReadBytes(Path("last.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
  }
  EXPECT_EQ(Run("stats " + geometry + "--kind 2 " + Path("in.raw") + " >" + Path("stats.txt")), 0);
  const std::vector<uint8_t> stats = ReadBytes(Path("stats.txt"));
  EXPECT_NE(std::string(stats.begin(), stats.end()).find("total: 6 fields"), std::string::npos);
}

TEST_F(CodecToolTest, BrokenInputsFailWithAReason) {
  const std::string geometry = "--width 40 --height 24 --format 6 ";
  // A frame cut short.
  WriteBytes(Path("short.raw"), std::vector<uint8_t>(kW * kH * 2 - 1, 0));
  EXPECT_EQ(Run("encode " + geometry + "--kind 0 " + Path("short.raw") + " " + Path("s.stream")), 2);
  EXPECT_NE(errors_.find("ends inside a frame"), std::string::npos) << errors_;
  // A message declaring far more than this screen can need.
  std::vector<uint8_t> huge(8);
  StoreU32(huge.data(), 0x0FFFFFFFu);
  WriteBytes(Path("huge.stream"), huge);
  EXPECT_EQ(Run("decode " + geometry + Path("huge.stream") + " " + Path("o.raw")), 2);
  EXPECT_NE(errors_.find("more than this screen can need"), std::string::npos) << errors_;
  // A compressed body that does not inflate.
  std::vector<uint8_t> bad = {4, 0, 0, 0x30, 100, 0, 0, 0, 1, 2, 3, 4};
  WriteBytes(Path("bad.stream"), bad);
  EXPECT_EQ(Run("decode " + geometry + Path("bad.stream") + " " + Path("o.raw")), 2);
  EXPECT_NE(errors_.find("does not decompress"), std::string::npos) << errors_;
  // Usage errors.
  EXPECT_EQ(Run("encode --width 40 " + Path("a") + " " + Path("b")), 1);
  EXPECT_EQ(Run("decode " + geometry + "--kind 9 x y"), 1);
  EXPECT_EQ(Run("encode --width 4096 --height 24 --format 6 --kind 0 x y"), 1);
}

}  // namespace
}  // namespace mirrodex
