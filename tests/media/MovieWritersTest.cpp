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
  uint32_t tag;    // expected tag (first letter lowest); 0: not checked
  double minPsnr;  // 99: lossless
};

TEST_F(MovieWriters, EveryCodecWritesTenFramesLastingFiveSeconds) {
  const auto mov = [](const char* type, AVCodecID id, double psnr) {
    return Case{{MovieType::kMov, FourCcHighFirst(type), 75, {}}, id, FourCcLowFirst(type), psnr};
  };
  const Case cases[] = {
      {{MovieType::kAvi, FourCcLowFirst("CVID"), 75, {}}, AV_CODEC_ID_CINEPAK, 0, 40},
      {{MovieType::kAvi, FourCcLowFirst("MP42"), 75, {}}, AV_CODEC_ID_MSMPEG4V2, 0, 35},
      {{MovieType::kAvi, FourCcLowFirst("XVID"), 75, {}},
       AV_CODEC_ID_MPEG4,
       FourCcLowFirst("XVID"),
       35},
      {{MovieType::kAvi, FourCcLowFirst("DIVX"), 0, {0, 400000}},
       AV_CODEC_ID_MPEG4,
       FourCcLowFirst("DIVX"),
       35},
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

TEST_F(MovieWriters, UnwritableCodecsAndPathsFailOnceWithTheWritersMessageAndLeaveNoFile) {
  const SnapshotSurface surface = KnownPicture(240, 320).Surface();
  // MOV types without an encoder fail at the start, naming the codec.
  for (const char* type : {"mjpb", "WRLE", "IV41"}) {
    const fs::path path = dir / (std::string(type) + ".mov");
    messages.shown.clear();
    MovWriter writer(path, FourCcHighFirst(type), 75, &messages);
    EXPECT_FALSE(writer.Start());
    EXPECT_FALSE(writer.AddFrame(surface, milliseconds(0)));
    EXPECT_FALSE(writer.Close());
    ASSERT_EQ(messages.shown.size(), 1u) << type;
    EXPECT_NE(messages.shown[0].find(std::string("(") + type + ")"), std::string::npos)
        << messages.shown[0];
    EXPECT_NE(messages.shown[0].find(FindMovCodecType(FourCcHighFirst(type))->text),
              std::string::npos);
    EXPECT_FALSE(fs::exists(path));
  }
  // Without Start, an unknown compressor and an unknown profile fail on the first frame.
  struct Failing {
    MovieChoice choice;
    fs::path path;
    std::string message;
  };
  const Failing failing[] = {
      {{MovieType::kAvi, FourCcLowFirst("IV50"), 75, {}},
       dir / "a.avi",
       "Error: Error Occured While Rendering the Movie"},
      {{MovieType::kWmv, 99, 75, {}}, dir / "w.wmv", "Error: Unable to Load System Profile"},
      {{MovieType::kAvi, FourCcLowFirst("MP42"), 75, {}},
       dir / "missing" / "a.avi",
       "Error: Error Occured While Rendering the Movie"},
      {{MovieType::kWmv, 0, 75, {}},
       dir / "missing" / "w.wmv",
       "Error: Unable to Set Output Filename"},
      {{MovieType::kMov, FourCcHighFirst("png_"), 75, {}},
       dir / "missing" / "m.mov",
       "Error: Unable to Create Movie File"},
      {{MovieType::kMp4, 0, 75, {}}, dir, "Error: Unable to Create Movie File"},
  };
  for (const Failing& f : failing) {
    SCOPED_TRACE(f.path.string());
    messages.shown.clear();
    auto writer = CreateMovieWriter(f.choice, f.path, &messages);
    const MediaResult first = writer->AddFrame(surface, milliseconds(0));
    EXPECT_FALSE(first);
    EXPECT_FALSE(first.message.empty());
    EXPECT_EQ(writer->State(), MovieWriter::kClosed);
    EXPECT_FALSE(writer->AddFrame(surface, milliseconds(500)));
    EXPECT_FALSE(writer->Close());
    EXPECT_EQ(messages.shown, std::vector<std::string>{f.message});
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
}

TEST_F(MovieWriters, AnOlderFileIsReplacedOnlyWhenTheNewMovieIsFinished) {
  const fs::path path = dir / "old.avi";
  std::ofstream(path) << "older";
  const SnapshotSurface surface = KnownPicture(240, 320).Surface();
  auto writer =
      CreateMovieWriter({MovieType::kAvi, FourCcLowFirst("MP42"), 75, {}}, path, &messages);
  ASSERT_TRUE(writer->AddFrame(surface, milliseconds(0)));
  EXPECT_EQ(fs::file_size(path), 5u);
  ASSERT_TRUE(writer->Close());
  EXPECT_EQ(test::MovieProbe::Read(path).frames, 1);
}

// A full disk (here: the file size limit) stops the recording before a frame is half written,
// and the movie is still finished with the frames before it.
TEST_F(MovieWriters, AFullDiskEndsTheRecordingWithAPlayableMovie) {
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit old = {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const fs::path path = dir / "full.mov";
  const SnapshotSurface surface = KnownPicture(240, 320).Surface();  // 230400 bytes a frame raw
  MovWriter writer(path, FourCcHighFirst("raw_"), 75, &messages);
  rlimit small = old;
  small.rlim_cur = 1536 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int written = 0;
  MediaResult failure;
  for (int i = 0; i < 10 && failure; ++i) {
    failure = writer.AddFrame(surface, milliseconds(500 * i));
    if (failure) ++written;
  }
  const MediaResult finished = writer.Close();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(failure);
  EXPECT_NE(failure.message.find("larger than this disk"), std::string::npos) << failure.message;
  EXPECT_GT(written, 1);
  ASSERT_TRUE(finished) << finished.message;
  const auto probe = test::MovieProbe::Read(path);
  EXPECT_EQ(probe.frames, written);
  EXPECT_NEAR(probe.seconds, written * 0.5, 0.05);
  EXPECT_TRUE(messages.shown.empty());  // a later frame's failure is the capture's to report
}

// A writer that holds its first frame until released, standing for an encoder that falls
// behind.
class HeldWriter : public MovieWriter {
 public:
  HeldWriter(fs::path path, UserNotifier* notifier)
      : MovieWriter(std::move(path), notifier, kTexts) {}
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  void AwaitFirstFrame() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return entered_; });
  }

 private:
  MediaResult Describe(MovieStream& stream) const override {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
    stream.container = "mov";
    stream.encoder = "png";
    return MediaResult::Success();
  }
  static constexpr MovieWriterTexts kTexts{"Error",  nullptr, "file", "encoder",
                                           "header", "frame", false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  mutable bool entered_ = false;
  bool released_ = false;
};

TEST_F(MovieWriters, TheRecorderDropsFramesItCannotQueueAndWritesTheRest) {
  const SnapshotSurface surface = KnownPicture(240, 320).Surface();
  auto writer = std::make_unique<HeldWriter>(dir / "held.mov", &messages);
  HeldWriter& held = *writer;
  MovieRecorder recorder(std::move(writer), 4);
  EXPECT_TRUE(recorder.Offer(surface, milliseconds(0)));
  held.AwaitFirstFrame();
  for (int i = 1; i < 10; ++i) EXPECT_TRUE(recorder.Offer(surface, milliseconds(500 * i)));
  held.Release();
  const auto summary = recorder.Finish();
  EXPECT_TRUE(summary.finished) << summary.finished.message;
  EXPECT_TRUE(summary.failure);
  EXPECT_EQ(summary.written, 5u);  // the held frame and the four queued
  EXPECT_EQ(summary.dropped, 5u);
  const auto probe = test::MovieProbe::Read(dir / "held.mov");
  EXPECT_EQ(probe.frames, 5);
  EXPECT_NEAR(probe.seconds, 2.5, 0.05);  // the last queued frame was taken at 2 s
}

TEST_F(MovieWriters, TheRecorderStopsTakingFramesAfterAFailure) {
  const SnapshotSurface surface = KnownPicture(240, 320).Surface();
  MovieRecorder recorder(CreateMovieWriter({MovieType::kAvi, FourCcLowFirst("MP42"), 75, {}},
                                           dir / "missing" / "a.avi", &messages));
  EXPECT_TRUE(recorder.Offer(surface, milliseconds(0)));
  const auto summary = recorder.Finish();
  EXPECT_FALSE(summary.failure);
  EXPECT_FALSE(summary.finished);
  EXPECT_TRUE(recorder.Failed());
  EXPECT_FALSE(recorder.Offer(surface, milliseconds(500)));
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST(MovieTypes, TheDialogsListsExtensionsAndControlsFollowTheType) {
  const auto mov = ProfileEntries(MovieType::kMov);
  ASSERT_EQ(mov.size(), 13u);
  EXPECT_EQ(mov[0].text, "Raw Full Frames");
  EXPECT_EQ(mov[0].item, 0x72617720u);  // 'raw ', first letter highest
  EXPECT_EQ(mov[4].text, "JPEG B");
  EXPECT_EQ(mov[12].text, "MPEG4 Visual Codec");
  const auto avi = ProfileEntries(MovieType::kAvi);
  ASSERT_EQ(avi.size(), 4u);            // every compressor has its encoder in Debian's FFmpeg
  EXPECT_EQ(avi[1].item, 0x3234504Du);  // 'MP42', first letter lowest
  const auto wmv = ProfileEntries(MovieType::kWmv);
  ASSERT_EQ(wmv.size(), WmvProfiles().size());
  for (uint32_t i = 0; i < wmv.size(); ++i) {
    EXPECT_EQ(wmv[i].item, i);  // the index the writer records
    EXPECT_EQ(wmv[i].text, WmvProfiles()[i].name);
  }
  EXPECT_EQ(MovieTypeAt(3), MovieType::kMp4);
  EXPECT_FALSE(MovieTypeAt(4));
  EXPECT_EQ(MovieTypeOfPath("a/B.MOV"), MovieType::kMov);
  EXPECT_FALSE(MovieTypeOfPath("a.mkv"));
  EXPECT_EQ(MoviePath("/home/me/", "clip", MovieType::kMov), "/home/me/clip.mov");
  EXPECT_EQ(MoviePath("/home/me.d/", "clip", MovieType::kMov), "/home/me.d/clip");
  EXPECT_EQ(MoviePath("/home/me/", "clip.avi", MovieType::kWmv), "/home/me/clip.avi");
  EXPECT_TRUE(ControlsFor(MovieType::kAvi).configure);
  EXPECT_FALSE(ControlsFor(MovieType::kAvi).quality);
  EXPECT_FALSE(ControlsFor(MovieType::kWmv).quality || ControlsFor(MovieType::kWmv).configure);
  EXPECT_TRUE(ControlsFor(MovieType::kMov).quality);
  EXPECT_EQ(MovCodecQuality(75), 768);
  EXPECT_EQ(MovCodecQuality(100), 1024);
  EXPECT_EQ(MovCodecQuality(20), 0);
}

}  // namespace
}  // namespace mirrodex
