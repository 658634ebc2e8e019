// Screenshot files are read back with readers independent of the writers: the BMP headers are
// parsed here, JPEG files go through libjpeg's decompressor.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "desktop/media/BmpWriter.h"
#include "desktop/media/JpegWriter.h"
#include "desktop/media/Screenshot.h"
#include "desktop/media/SnapshotSurface.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;

struct Rgb {
  int r, g, b;
};

int Expand5(int v) {
  return (v << 3) | (v >> 2);
}

// An RGB555 picture with padding columns of garbage, so a writer that ignores the stride or
// reads past the width shows up in the pixels.
struct Picture555 {
  uint32_t width, height, stride;
  std::vector<uint16_t> pixels;

  Picture555(uint32_t w, uint32_t h)
      : width(w), height(h), stride(w + 3), pixels(stride * h, 0x7C1F) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        pixels[y * stride + x] =
            static_cast<uint16_t>((x * 31 / w) << 10 | (y * 31 / h) << 5 | ((x + y) / 16 & 31));
  }
  PictureView View() const { return PictureView::Rgb555(pixels.data(), width, height, stride); }
  Rgb At(uint32_t x, uint32_t y) const {
    const int p = pixels[y * stride + x];
    return {Expand5(p >> 10 & 31), Expand5(p >> 5 & 31), Expand5(p & 31)};
  }
};

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// Parses a 24-bit bottom-up BMP, checking every header field against the file; returns the
// pixels top row first.
std::vector<Rgb> ReadBmp(const fs::path& path, uint32_t width, uint32_t height) {
  const std::vector<uint8_t> file = ReadAll(path);
  const size_t rowBytes = (width * 3 + 3) / 4 * 4;
  EXPECT_EQ(file.size(), 54 + rowBytes * height);
  if (file.size() != 54 + rowBytes * height) return {};
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(U32(file, 2), file.size());
  EXPECT_EQ(U32(file, 6), 0u);
  EXPECT_EQ(U32(file, 10), 54u);
  EXPECT_EQ(U32(file, 14), 40u);
  EXPECT_EQ(U32(file, 18), width);
  EXPECT_EQ(U32(file, 22), height);
  EXPECT_EQ(U16(file, 26), 1);
  EXPECT_EQ(U16(file, 28), 24);
  EXPECT_EQ(U32(file, 30), 0u);
  EXPECT_EQ(U32(file, 34), rowBytes * height);
  for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(file, at), 0u);
  std::vector<Rgb> out;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = &file[54 + (height - 1 - y) * rowBytes];
    for (uint32_t x = 0; x < width; ++x)
      out.push_back({row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
    for (size_t pad = width * 3; pad < rowBytes; ++pad) EXPECT_EQ(row[pad], 0) << "row " << y;
  }
  return out;
}

struct Decoded {
  uint32_t width = 0, height = 0;
  int components = 0;
  std::vector<uint8_t> samples;
};

Decoded ReadJpeg(const fs::path& path) {
  Decoded d;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return d;
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, in);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  d.width = cinfo.output_width;
  d.height = cinfo.output_height;
  d.components = cinfo.output_components;
  d.samples.resize(size_t{d.width} * d.height * d.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &d.samples[cinfo.output_scanline * d.width * d.components];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(in);
  return d;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return 10 * std::log10(255.0 * 255.0 / (sum / a.size() + 1e-9));
}

class ScreenshotWriters : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mirrodex-media-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> Entries(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
  }
  fs::path dir_;
};

TEST_F(ScreenshotWriters, BmpFilesHoldTheExactPixelsWithPaddedRows) {
  struct Case {
    uint32_t width, height, zoom;
  } cases[] = {{240, 320, 1}, {175, 40, 1}, {175, 9, 2}, {1, 1, 1}, {2, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " zoom " +
                 std::to_string(c.zoom));
    const Picture555 picture(c.width, c.height);
    SnapshotSurface surface;
    ASSERT_TRUE(surface.Fill(picture.View(), c.zoom));
    const fs::path path = dir_ / "shot.bmp";
    const MediaResult written = WriteBmp(surface, path);
    ASSERT_TRUE(written) << written.message;
    const uint32_t w = c.width * c.zoom, h = c.height * c.zoom;
    const std::vector<Rgb> read = ReadBmp(path, w, h);
    ASSERT_EQ(read.size(), size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const Rgb want = picture.At(x / c.zoom, y / c.zoom), got = read[y * w + x];
        ASSERT_TRUE(want.r == got.r && want.g == got.g && want.b == got.b) << x << "," << y;
      }
  }
}

TEST_F(ScreenshotWriters, TwentyFourBitSourcesKeepTheirChannelOrder) {
  // 5 x 2 pixels, rows 16 bytes apart: R, G, B values all distinct.
  std::vector<uint8_t> rgb(32, 0xEE);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x)
      for (int k = 0; k < 3; ++k)
        rgb[y * 16 + x * 3 + k] = static_cast<uint8_t>(100 * k + 10 * y + x);
  ASSERT_TRUE(SaveScreenshot(PictureView::Rgb888(rgb.data(), 5, 2, 16), 1, dir_ / "s.bmp", 75));
  const std::vector<Rgb> read = ReadBmp(dir_ / "s.bmp", 5, 2);
  ASSERT_EQ(read.size(), 10u);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(read[y * 5 + x].r, 10 * y + x);
      EXPECT_EQ(read[y * 5 + x].g, 100 + 10 * y + x);
      EXPECT_EQ(read[y * 5 + x].b, 200 + 10 * y + x);
    }
}

TEST_F(ScreenshotWriters, JpegFilesDecodeCloseToTheSource) {
  for (uint32_t width : {240u, 175u}) {
    SCOPED_TRACE(width);
    const Picture555 picture(width, 320);
    SnapshotSurface surface;
    ASSERT_TRUE(surface.Fill(picture.View(), 1));
    std::vector<uint8_t> source;
    for (uint32_t y = 0; y < 320; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const Rgb p = picture.At(x, y);
        source.insert(source.end(), {uint8_t(p.r), uint8_t(p.g), uint8_t(p.b)});
      }
    const MediaResult written = WriteJpeg(surface, dir_ / "shot.jpg", 90);
    ASSERT_TRUE(written) << written.message;
    const Decoded colour = ReadJpeg(dir_ / "shot.jpg");
    ASSERT_EQ(colour.width, width);
    ASSERT_EQ(colour.height, 320u);
    ASSERT_EQ(colour.components, 3);
    EXPECT_GT(Psnr(colour.samples, source), 30.0);

    ASSERT_TRUE(WriteJpegFile(dir_ / "grey.jpg", source, width, 320, JpegColour::kGrey, 90));
    const Decoded grey = ReadJpeg(dir_ / "grey.jpg");
    ASSERT_EQ(grey.components, 1);
    std::vector<uint8_t> luma;
    for (size_t i = 0; i < source.size(); i += 3)
      luma.push_back(uint8_t(0.299 * source[i] + 0.587 * source[i + 1] + 0.114 * source[i + 2]));
    EXPECT_GT(Psnr(grey.samples, luma), 30.0);
  }
  // Out-of-range qualities are clamped rather than refused.
  SnapshotSurface small;
  ASSERT_TRUE(small.Fill(Picture555(16, 16).View(), 1));
  for (int quality : {-5, 0, 500}) {
    ASSERT_TRUE(WriteJpeg(small, dir_ / "q.jpg", quality)) << quality;
    EXPECT_EQ(ReadJpeg(dir_ / "q.jpg").width, 16u) << quality;
  }
}

TEST_F(ScreenshotWriters, FormatFollowsTheFileExtensionOnly) {
  const Picture555 picture(8, 8);
  fs::create_directory(dir_ / "shots.bmp");
  ASSERT_TRUE(SaveScreenshot(picture.View(), 1, dir_ / "shots.bmp" / "a.jpg", 75));
  ASSERT_TRUE(SaveScreenshot(picture.View(), 2, dir_ / "B.BMP", 75));
  const std::vector<uint8_t> jpeg = ReadAll(dir_ / "shots.bmp" / "a.jpg");
  ASSERT_GE(jpeg.size(), 2u);
  EXPECT_TRUE(jpeg[0] == 0xFF && jpeg[1] == 0xD8);
  EXPECT_EQ(ReadBmp(dir_ / "B.BMP", 16, 16).size(), 256u);
}

TEST_F(ScreenshotWriters, NewFilesGetTheUsualPermissions) {
  const mode_t old = umask(022);
  const MediaResult r = SaveScreenshot(Picture555(4, 4).View(), 1, dir_ / "p.bmp", 75);
  umask(old);
  ASSERT_TRUE(r);
  EXPECT_EQ(fs::status(dir_ / "p.bmp").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST_F(ScreenshotWriters, UnwritableTargetsFailWithAReasonAndLeaveNoFile) {
  const Picture555 picture(8, 8);
  std::ofstream(dir_ / "plain") << "x";
  fs::create_directory(dir_ / "taken.jpg");
  struct Case {
    fs::path path;
    const char* reason;
  } cases[] = {{dir_ / "missing" / "a.bmp", "does not exist"},
               {dir_ / "plain" / "a.jpg", "does not exist"},
               {dir_ / "taken.jpg", "folder of that name"},
               {dir_ / "", "no file name"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const MediaResult r = SaveScreenshot(picture.View(), 1, c.path, 75);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(c.reason), std::string::npos) << r.message;
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.jpg"));
  EXPECT_EQ(Entries(dir_).size(), 2u);  // "plain" and "taken.jpg", no leftovers

  const uint16_t none = 0;
  const MediaResult empty =
      SaveScreenshot(PictureView::Rgb555(&none, 0, 0, 0), 1, dir_ / "e.bmp", 75);
  EXPECT_FALSE(empty);
  EXPECT_NE(empty.message.find("no device picture"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "e.bmp"));
}

TEST_F(ScreenshotWriters, AWriteThatRunsOutOfSpaceKeepsTheOlderFile) {
  // A file size limit makes writes fail part-way, like a full disk.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  for (const char* name : {"full.bmp", "full.jpg"}) {
    SCOPED_TRACE(name);
    std::ofstream(dir_ / name) << "older";
    rlimit small = old;
    small.rlim_cur = 3000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const MediaResult r = SaveScreenshot(Picture555(240, 320).View(), 2, dir_ / name, 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find("larger than this disk"), std::string::npos) << r.message;
    const std::vector<uint8_t> kept = ReadAll(dir_ / name);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "older");
  }
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(Entries(dir_).size(), 2u);
}

}  // namespace
}  // namespace mirrodex
