// The movie writers write files that libavformat reads back as one video stream of the chosen
// codec with every frame at its capture time; their failures show one message each and leave
// no broken file; the recorder never holds the capture up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "desktop/media/FourCc.h"
#include "desktop/media/MovCodecTypes.h"
#include "desktop/media/MovWriter.h"
#include "desktop/media/MovieRecorder.h"
#include "desktop/media/MovieTypes.h"
#include "desktop/media/MovieWriterFactory.h"
#include "desktop/media/WmvProfiles.h"
#include "tests/media/MovieProbe.h"

namespace mirrodex {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class Messages : public UserNotifier {
 public:
  void ShowError(std::string_view text, std::string_view caption) override {
    std::lock_guard lock(mutex_);
    shown.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::vector<std::string> shown;

 private:
  std::mutex mutex_;
};

// Flat blocks of distinct colours over a gradient: lossy codecs keep it well, and a picture
// shifted, flipped or with its colours swapped does not match.
struct KnownPicture {
  uint32_t width, height;
  std::vector<uint8_t> rgb;

  KnownPicture(uint32_t w, uint32_t h) : width(w), height(h), rgb(size_t(w) * h * 3) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        p[0] = uint8_t((x / 48) * 60 + 20);
        p[1] = uint8_t((y / 40) * 30 + 10);
        p[2] = uint8_t(((x / 48 + y / 40) % 3) * 100 + 20);
      }
  }
  SnapshotSurface Surface() const {
    SnapshotSurface surface;
    EXPECT_TRUE(surface.Fill(PictureView::Rgb888(rgb.data(), width, height, size_t(width) * 3), 1));
    return surface;
  }
};

// PSNR of the decoded picture's top-left content against the picture: the whole picture when
// it fits the decoded size, else the picture scaled down to fit (sampled at nearest pixels).
double Psnr(const test::MovieProbe& probe, const KnownPicture& picture) {
  double scale = 1;
  if (picture.width > uint32_t(probe.width) || picture.height > uint32_t(probe.height))
    scale = std::min(double(probe.width) / picture.width, double(probe.height) / picture.height);
  const int w = scale < 1 ? int(picture.width * scale) & ~1 : int(picture.width);
  const int h = scale < 1 ? int(picture.height * scale) & ~1 : int(picture.height);
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const uint32_t sx = std::min(picture.width - 1, uint32_t((x + 0.5) / scale));
        const uint32_t sy = std::min(picture.height - 1, uint32_t((y + 0.5) / scale));
        const double d = double(probe.firstRgb[(size_t(y) * probe.width + x) * 3 + c]) -
                         picture.rgb[(size_t(sy) * picture.width + sx) * 3 + c];
        sum += d * d;
      }
  const double mse = sum / (double(w) * h * 3);
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

class MovieWriters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { av_log_set_level(AV_LOG_ERROR); }
  void SetUp() override {
    dir = fs::temp_directory_path() / ("mirrodex-movies-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  Messages messages;
};

struct Case {
  MovieChoice choice;
  AVCodecID codec;
  uint32_t tag;       // expected tag (first letter lowest); 0: not checked
  double minPsnr;     // 99: lossless
};

TEST_F(MovieWriters, EveryCodecWritesTenFramesLastingFiveSeconds) {
  const auto mov = [](const char* type, AVCodecID id, double psnr) {
    return Case{{MovieType::kMov, FourCcHighFirst(type), 75, {}}, id, FourCcLowFirst(type), psnr};
  };
  const Case cases[] = {
      {{MovieType::kAvi, FourCcLowFirst("CVID"), 75, {}}, AV_CODEC_ID_CINEPAK, 0, 40},
      {{MovieType::kAvi, FourCcLowFirst("MP42"), 75, {}}, AV_CODEC_ID_MSMPEG4V2, 0, 35},
      {{MovieType::kAvi, FourCcLowFirst("XVID"), 75, {}}, AV_CODEC_ID_MPEG4, FourCcLowFirst("XVID"), 35},
      {{MovieType::kAvi, FourCcLowFirst("DIVX"), 0, {0, 400000}}, AV_CODEC_ID_MPEG4, FourCcLowFirst("DIVX"), 35},
      {{MovieType::kWmv, 0, 75, {}}, AV_CODEC_ID_WMV2, 0, 35},
      {{MovieType::kWmv, uint32_t(WmvProfiles().size() - 1), 75, {}}, AV_CODEC_ID_WMV1, 0, 35},
      mov("raw_", AV_CODEC_ID_RAWVIDEO, 99),
      mov("cvid", AV_CODEC_ID_CINEPAK, 40),
      mov("jpeg", AV_CODEC_ID_MJPEG, 38),
      mov("mjpa", AV_CODEC_ID_MJPEG, 38),
      mov("h261", AV_CODEC_ID_H261, 22),
      mov("h263", AV_CODEC_ID_H263, 35),
      mov("tga_", AV_CODEC_ID_TARGA, 99),
      mov("png_", AV_CODEC_ID_PNG, 99),
      mov("tiff", AV_CODEC_ID_TIFF, 99),
      mov("mp4v", AV_CODEC_ID_MPEG4, 35),
      {{MovieType::kMp4, 0, 75, {}}, AV_CODEC_ID_H264, 0, 35},
  };
  for (const auto& [width, height] : {std::pair{240u, 320u}, std::pair{480u, 640u}}) {
    const KnownPicture picture(width, height);
    const SnapshotSurface surface = picture.Surface();
    int n = 0;
    for (const Case& c : cases) {
      const fs::path path = dir / ("m" + std::to_string(n++) + MovieExtension(c.choice.type));
      SCOPED_TRACE(path.filename().string() + " " + avcodec_get_name(c.codec) + " " +
                   std::to_string(width) + "x" + std::to_string(height));
      auto writer = CreateMovieWriter(c.choice, path, &messages);
      ASSERT_TRUE(writer->Start());
      for (int i = 0; i < 10; ++i) ASSERT_TRUE(writer->AddFrame(surface, milliseconds(500 * i)));
      ASSERT_TRUE(writer->Close());
      const auto probe = test::MovieProbe::Read(path);
      ASSERT_TRUE(probe.opened) << probe.error;
      EXPECT_EQ(probe.videoStreams, 1);
      EXPECT_EQ(probe.codec, c.codec) << avcodec_get_name(probe.codec);
      if (c.tag != 0) {
        EXPECT_EQ(FourCcText(probe.tag), FourCcText(c.tag));
      }
      EXPECT_EQ(probe.frames, 10);
      EXPECT_NEAR(probe.seconds, 5.0, 0.05);
      ASSERT_FALSE(probe.firstRgb.empty());
      if (c.minPsnr >= 99) {
        ASSERT_EQ(probe.width, int(width));
        ASSERT_EQ(probe.height, int(height));
        EXPECT_EQ(probe.firstRgb, picture.rgb);
      } else {
        EXPECT_GE(Psnr(probe, picture), c.minPsnr);
      }
    }
  }
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace mirrodex
