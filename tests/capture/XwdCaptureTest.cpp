// Capture from XWD framebuffer files written by the tests: served pixels, halving, changes
// underneath, configuration from the environment, and damaged or vanishing files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "agent/capture/fb/CLinuxScrCap.h"
#include "tests/capture/XwdTestFile.h"
#include "tests/support/ScopedEnv.h"

namespace mirrodex {
namespace {

using test::ScopedEnv;
using test::TempFile;
using test::XwdTestImage;

// The served picture, row by row, from the encoder's current image.
std::vector<uint16_t> Served(CLinuxScrCap& cap) {
  ScreenEncoder& encoder = cap.Encoder();
  std::vector<uint16_t> out;
  for (uint32_t y = 0; y < encoder.Height(); ++y) {
    const uint16_t* row = encoder.CurrentImage() + size_t{y} * encoder.ImageStride();
    out.insert(out.end(), row, row + encoder.Width());
  }
  return out;
}

CLinuxScrCap CaptureOf(const std::string& path, std::optional<uint32_t> dpi = std::nullopt) {
  return CLinuxScrCap(FbCaptureConfig{path, dpi});
}

XwdTestImage Image32(uint32_t width, uint32_t height) {
  XwdTestImage image;
  image.width = width;
  image.height = height;
  image.bitsPerPixel = 32;
  image.depth = 24;
  image.redMask = 0xFF0000;
  image.greenMask = 0x00FF00;
  image.blueMask = 0x0000FF;
  return image;
}

TEST(XwdCapture, ServesSixteenAndConvertsThirtyTwoBitScreens) {
  TempFile file;
  XwdTestImage image;
  image.bytesPerLine = 10;  // a padded row
  image.pixels = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x1234, 0x8410, 0xA5A5};
  file.Write(image.Bytes());
  auto cap = CaptureOf(file.Path());
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().colourFormat, 6);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  EXPECT_EQ(Served(cap), std::vector<uint16_t>(image.pixels.begin(), image.pixels.end()));

  image = Image32(4, 2);
  image.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x123456, 0x808080, 0x07030F};
  file.Write(image.Bytes());
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().colourFormat, 6);
  ASSERT_TRUE(cap.Capture()) << cap.LastError();
  EXPECT_EQ(Served(cap), (std::vector<uint16_t>{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x11AA,
                                                0x8410, 0x0001}));
}

TEST(XwdCapture, SeesPixelsChangeUnderneathBetweenCaptures) {
  TempFile file;
  XwdTestImage image;
  image.pixels.assign(8, 0x1111);
  const auto bytes = image.Bytes();
  file.Write(bytes);
  auto cap = CaptureOf(file.Path());
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  ASSERT_TRUE(cap.Capture());
  EXPECT_EQ(Served(cap)[5], 0x1111);

  // Change one pixel in place, as the server does in its mapping.
  const uint8_t changed[2] = {0x34, 0x12};
  std::fstream out(file.Path(), std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(static_cast<std::streamoff>(bytes.size() - 3 * 2));
  out.write(reinterpret_cast<const char*>(changed), 2);
  out.close();
  ASSERT_TRUE(cap.Capture());
  EXPECT_EQ(Served(cap)[5], 0x1234);
}

TEST(XwdCapture, HalvesScreensOverTwoThousandPixels) {
  // 2100 x 4: halved to 1050 x 2 whatever the resolution; 2 x 2 squares are averaged per
  // channel without carries.
  for (const bool thirtyTwoBits : {false, true}) {
    TempFile file;
    XwdTestImage image = thirtyTwoBits ? Image32(2100, 4) : XwdTestImage{};
    image.width = 2100;
    image.height = 4;
    for (uint32_t y = 0; y < image.height; ++y) {
      for (uint32_t x = 0; x < image.width; ++x) {
        // Top-left and bottom-right white, the others black: each channel averages to half.
        const bool white = (x % 2) == (y % 2);
        image.pixels.push_back(white ? (thirtyTwoBits ? 0xFFFFFF : 0xFFFF) : 0);
      }
    }
    image.pixels[2 * 2100 + 3] = thirtyTwoBits ? 0xFF0000 : 0xF800;  // red where black was
    file.Write(image.Bytes());
    auto cap = CaptureOf(file.Path());
    ASSERT_TRUE(cap.Initialise()) << cap.LastError();
    EXPECT_EQ(cap.State().scaleMode, ScaleMode::kHalved);
    ASSERT_EQ(cap.State().width, 1050u);
    ASSERT_EQ(cap.State().height, 2u);
    ASSERT_TRUE(cap.Capture()) << cap.LastError();
    const auto served = Served(cap);
    // Pair means: white+black = 0x7BEF, and the square with red in it 0x7BEF + red / 4.
    EXPECT_EQ(served[0], 0x7BEF);
    EXPECT_EQ(served[1049], 0x7BEF);
    EXPECT_EQ(served[1050 + 1], 0xBBEF);
    EXPECT_EQ(served[1050 + 2], 0x7BEF);
  }
}

TEST(XwdCapture, ReadsTheEnvironment) {
  TempFile file;
  XwdTestImage image;
  image.width = 240;
  image.height = 320;
  file.Write(image.Bytes());
  ScopedEnv device("MIRRODEX_FBDEV", file.Path());
  {
    ScopedEnv dpi("MIRRODEX_DPI", "192");
    CLinuxScrCap cap;
    ASSERT_TRUE(cap.Initialise()) << cap.LastError();
    EXPECT_EQ(cap.State().scaleMode, ScaleMode::kFullSize);
    EXPECT_EQ(cap.State().deviceFlags, kCaptureFlagHighResolution);
  }
  {
    ScopedEnv dpi("MIRRODEX_DPI", "lots");
    CLinuxScrCap cap;
    EXPECT_FALSE(cap.Initialise());
    EXPECT_NE(cap.LastError().find("MIRRODEX_DPI=lots"), std::string::npos) << cap.LastError();
  }
  ScopedEnv dpi("MIRRODEX_DPI", std::nullopt);
  CLinuxScrCap cap;
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().dpi, 96u);
  EXPECT_EQ(cap.State().deviceFlags, 0);
}

// Whatever is wrong with the file, Initialise fails with a message containing `expected`.
void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& expected) {
  TempFile file;
  file.Write(bytes);
  auto cap = CaptureOf(file.Path());
  EXPECT_FALSE(cap.Initialise()) << "accepted a file that should fail with: " << expected;
  EXPECT_NE(cap.LastError().find(expected), std::string::npos) << cap.LastError();
  EXPECT_FALSE(cap.Capture());
}

TEST(XwdCapture, DamagedFilesAreRefusedWithAReason) {
  XwdTestImage image;
  image.pixels.assign(8, 0x1234);
  const auto good = image.Bytes();
  ExpectRefused({}, "too short");
  ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 60), "too short");
  ExpectRefused(std::vector<uint8_t>(good.begin(), good.end() - 1), "truncated");
  XwdTestImage changed = image;
  changed.version = 6;
  ExpectRefused(changed.Bytes(), "version");
  changed = image;
  changed.visualClass = 3;  // PseudoColor
  ExpectRefused(changed.Bytes(), "palette");
  changed = image;
  changed.greenMask = 0x05E0;  // a hole in the mask
  ExpectRefused(changed.Bytes(), "masks");
  changed = image;
  changed.bitsPerPixel = 8;
  ExpectRefused(changed.Bytes(), "8 bits per pixel");
  changed = image;
  changed.width = 100000;
  ExpectRefused(changed.Bytes(), "100000 x 2");
  changed = image;
  changed.colours = 0x40000000;  // colour entries far past the end of the file
  ExpectRefused(changed.Bytes(), "damaged");
  auto bytes = good;
  bytes[0] = 0x7F;  // header size of about 2 GB
  ExpectRefused(bytes, "damaged");
}

TEST(XwdCapture, MissingFilesAndOtherKindsOfFileSayWhatFailed) {
  auto missing = CaptureOf("/nonexistent/mirrodex/screen.xwd");
  EXPECT_FALSE(missing.Initialise());
  EXPECT_NE(missing.LastError().find("/nonexistent/mirrodex/screen.xwd"), std::string::npos);
  EXPECT_NE(missing.LastError().find("MIRRODEX_FBDEV"), std::string::npos) << missing.LastError();

  auto notFramebuffer = CaptureOf("/dev/null");  // a character device without the mode ioctls
  EXPECT_FALSE(notFramebuffer.Initialise());
  EXPECT_NE(notFramebuffer.LastError().find("framebuffer device"), std::string::npos)
      << notFramebuffer.LastError();

  auto folder = CaptureOf("/tmp");
  EXPECT_FALSE(folder.Initialise());
  EXPECT_NE(folder.LastError().find("neither"), std::string::npos) << folder.LastError();
}

TEST(XwdCapture, AFileThatShrinksOrChangesModeStopsCaptureCleanly) {
  TempFile file;
  XwdTestImage image;
  image.width = 64;
  image.height = 64;
  const auto bytes = image.Bytes();
  file.Write(bytes);
  auto cap = CaptureOf(file.Path());
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  ASSERT_TRUE(cap.Capture());

  // Cut the file short under the mapping: reading the lost pages would fault.
  ASSERT_EQ(::truncate(file.Path().c_str(), 4096), 0);
  EXPECT_FALSE(cap.Capture());
  EXPECT_NE(cap.LastError().find("truncated"), std::string::npos) << cap.LastError();
  ASSERT_EQ(::truncate(file.Path().c_str(), 50), 0);
  EXPECT_FALSE(cap.Capture());
  EXPECT_NE(cap.LastError().find("too short"), std::string::npos) << cap.LastError();

  // The same size but another screen mode.
  XwdTestImage other = image;
  other.width = 32;
  other.height = 128;
  file.Write(other.Bytes());
  EXPECT_FALSE(cap.Capture());
  EXPECT_NE(cap.LastError().find("changed"), std::string::npos) << cap.LastError();
  ASSERT_TRUE(cap.Initialise()) << cap.LastError();
  EXPECT_EQ(cap.State().width, 32u);
  EXPECT_TRUE(cap.Capture());
  cap.Close();
  EXPECT_FALSE(cap.Capture());
}

}  // namespace
}  // namespace mirrodex
