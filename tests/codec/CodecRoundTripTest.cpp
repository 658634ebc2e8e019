// Encoder -> decoder round trips: after every complete image the desktop's frame buffer must
// hold exactly the device picture (full colour) or its grey reading (reduced colour).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "agent/capture/PixelFormats.h"
#include "agent/capture/ScreenEncoder.h"
#include "desktop/session/ScreenDecoder.h"
#include "protocol/ScreenUpdateFormat.h"

namespace mirrodex {
namespace {

using Image = std::vector<uint16_t>;

uint16_t FormatMask(uint16_t format) { return format == 7 ? 0x0FFF : format == 5 ? 0x7FFF : 0xFFFF; }

// A device-like screen: flat panels, title bars and glyph runs in a few dozen colours.
Image UiImage(uint32_t w, uint32_t h, uint16_t format, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint16_t> colours(40);
  for (auto& c : colours) c = static_cast<uint16_t>((rng() | 0x0300) & FormatMask(format));
  Image img(static_cast<size_t>(w) * h, colours[0]);
  for (int panel = 0; panel < 12; ++panel) {
    const uint32_t x0 = rng() % w, y0 = rng() % h, pw = 1 + rng() % (w / 2 + 1), ph = 1 + rng() % (h / 3 + 1);
    const uint16_t c = colours[rng() % colours.size()];
    for (uint32_t y = y0; y < std::min(h, y0 + ph); ++y)
      for (uint32_t x = x0; x < std::min(w, x0 + pw); ++x) img[y * w + x] = c;
  }
  for (int glyph = 0; glyph < 200; ++glyph) {
    const uint32_t x = rng() % w, y = rng() % h;
    img[y * w + x] = colours[rng() % colours.size()];
  }
  return img;
}

// A photo-like picture: far more than 511 colours.
Image NoiseImage(uint32_t w, uint32_t h, uint16_t format, uint32_t seed) {
  std::mt19937 rng(seed);
  Image img(static_cast<size_t>(w) * h);
  for (auto& p : img) p = static_cast<uint16_t>(rng() & FormatMask(format));
  return img;
}

class CodecLoop {
 public:
  CodecLoop(uint32_t w, uint32_t h, uint16_t format, uint32_t kind) : w_(w), h_(h), format_(format), kind_(kind) {
    EXPECT_TRUE(encoder_.Setup(w, h, format));
    encoder_.SelectKind(kind);
    encoder_.StartSession();
    DeviceInfo info = encoder_.Describe();
    if (kind >= 2) info.colourFormat = kColourReducedGrey;
    EXPECT_TRUE(decoder_.ResetGeometry(info));
    decoder_.ResetPalette();
    decoder_.SetFrameCompleteHandler([this] { ++frames_; });
    grey_.resize(65536);
    BuildReductionTable(format, grey_.data());
  }

  // Codes one captured image as its two fields and decodes whatever was sent; checks that
  // only the odd field completes a frame.
  void CodeImage(const Image& img) {
    EXPECT_TRUE(encoder_.NeedsCapture());
    encoder_.LoadImage(img.data(), w_ * 2);
    const int framesBefore = frames_;
    Apply(encoder_.EncodeNextField());
    EXPECT_EQ(frames_, framesBefore) << "an even field completed a frame";
    Apply(encoder_.EncodeNextField());
  }

  ::testing::AssertionResult Shows(const Image& img) const {
    Image picture(static_cast<size_t>(w_) * h_);
    decoder_.CopyPicture(picture.data());
    for (size_t i = 0; i < picture.size(); ++i) {
      const uint16_t want = kind_ >= 2 ? GreyLevelToRgb555(grey_[img[i]]) : ToRgb555(format_, img[i]);
      if (picture[i] != want) {
        return ::testing::AssertionFailure() << "pixel (" << i % w_ << "," << i / w_ << ") is " << picture[i]
                                             << ", want " << want;
      }
    }
    return ::testing::AssertionSuccess();
  }

  ScreenEncoder& Encoder() { return encoder_; }
  int Frames() const { return frames_; }
  int Messages() const { return messages_; }

 private:
  void Apply(std::span<const uint8_t> payload) {
    if (payload.empty()) return;
    ++messages_;
    const auto result = decoder_.ApplyUpdate(payload);
    EXPECT_FALSE(result.truncated);
  }

  uint32_t w_, h_;
  uint16_t format_;
  uint32_t kind_;
  ScreenEncoder encoder_;
  ScreenDecoder decoder_;
  std::vector<uint8_t> grey_;
  int frames_ = 0;
  int messages_ = 0;
};

// A sequence that exercises every coding path: intra, small changes, a scroll, a
// many-coloured picture (palette overflow and literals), and back to the UI (palette reset).
std::vector<Image> Sequence(uint32_t w, uint32_t h, uint16_t format) {
  std::vector<Image> seq;
  Image ui = UiImage(w, h, format, 1);
  seq.push_back(ui);
  ui[5 * w + 7] = static_cast<uint16_t>(0x0777 & FormatMask(format));
  seq.push_back(ui);
  Image scrolled(ui.size());
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) scrolled[y * w + x] = ui[((y + 3) % h) * w + x];
  seq.push_back(scrolled);
  seq.push_back(NoiseImage(w, h, format, 2));
  seq.push_back(NoiseImage(w, h, format, 3));
  seq.push_back(UiImage(w, h, format, 4));
  seq.push_back(UiImage(w, h, format, 4));
  seq.push_back(UiImage(w, h, format, 5));
  return seq;
}

struct Case {
  uint16_t format;
  uint32_t kind;
};

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, DesktopHoldsTheDevicePictureAfterEveryImage) {
  const auto [format, kind] = GetParam();
  CodecLoop loop(96, 64, format, kind);
  int image = 0;
  for (const Image& img : Sequence(96, 64, format)) {
    loop.CodeImage(img);
    EXPECT_TRUE(loop.Shows(img)) << "image " << image;
    ++image;
  }
}

INSTANTIATE_TEST_SUITE_P(AllKindsAndFormats, RoundTrip,
                         ::testing::Values(Case{5, 0}, Case{6, 0}, Case{7, 0}, Case{5, 1}, Case{6, 1},
                                           Case{7, 1}, Case{5, 2}, Case{6, 2}, Case{7, 2}, Case{6, 3},
                                           Case{7, 3}),
                         [](const auto& info) {
                           return "format" + std::to_string(info.param.format) + "kind" +
                                  std::to_string(info.param.kind);
                         });

TEST(EncoderFields, SessionStartsWithTwoIntraFieldsAndAPaletteReset) {
  CodecLoop loop(64, 32, 6, 0);
  ScreenEncoder& enc = loop.Encoder();
  enc.LoadImage(UiImage(64, 32, 6, 9).data(), 128);
  ASSERT_FALSE(enc.EncodeNextField().empty());
  EXPECT_EQ(enc.LastField().header & 0xE000, 0xE000);
  EXPECT_EQ(enc.LastField().records, 8u * 4u);
  ASSERT_FALSE(enc.EncodeNextField().empty());
  EXPECT_EQ(enc.LastField().header & 0xE000, 0x8000);
  EXPECT_EQ(enc.LastField().records, 8u * 4u);
}

TEST(EncoderFields, StaticScreenSendsNothingWhileFieldsAlternate) {
  CodecLoop loop(64, 32, 6, 0);
  const Image still = UiImage(64, 32, 6, 11);
  loop.CodeImage(still);
  const int messages = loop.Messages();
  for (int i = 0; i < 5; ++i) loop.CodeImage(still);
  EXPECT_EQ(loop.Messages(), messages);
  // The alternation went on: the next change is coded against the right reference.
  Image changed = still;
  changed[3 * 64 + 3] ^= 0x0841;
  loop.CodeImage(changed);
  EXPECT_TRUE(loop.Shows(changed));
}

TEST(EncoderFields, ChangeInEvenRowsOnlyIsStillPresented) {
  CodecLoop loop(64, 32, 6, 0);
  Image img = UiImage(64, 32, 6, 12);
  loop.CodeImage(img);
  const int frames = loop.Frames();
  img[2 * 64 + 9] ^= 0x1234;  // row 2: an even row of its block
  loop.CodeImage(img);
  EXPECT_EQ(loop.Frames(), frames + 1);
  EXPECT_TRUE(loop.Shows(img));
}

TEST(EncoderFields, PaletteResetOnAnEmptyFieldReachesTheDesktop) {
  const uint32_t w = 64, h = 64;
  CodecLoop loop(w, h, 5, 0);
  Image img = UiImage(w, h, 5, 13);
  loop.CodeImage(img);
  loop.CodeImage(img);
  // 460 new colours in odd rows only: the palette passes the reset mark in an odd field.
  uint16_t colour = 0x4000;
  for (uint32_t y = 1; y < h && colour < 0x4000 + 460; y += 2)
    for (uint32_t x = 0; x < w && colour < 0x4000 + 460; ++x) img[y * w + x] = colour++;
  loop.CodeImage(img);
  EXPECT_TRUE(loop.Shows(img));
  // Unchanged: the even field resets the palette but has nothing to send.
  loop.CodeImage(img);
  // A new colour now takes index 1 again; the desktop must know the palette restarted.
  img[0] = 0x7ABC;
  img[w + 1] = 0x7ABD;
  loop.CodeImage(img);
  EXPECT_TRUE(loop.Shows(img));
}

TEST(EncoderFields, ASecondSessionStartsFromAnEmptyPalette) {
  const uint32_t w = 64, h = 64;
  ScreenEncoder encoder;
  ASSERT_TRUE(encoder.Setup(w, h, 6));
  // A first session that fills the palette to its last index.
  encoder.StartSession();
  encoder.LoadImage(NoiseImage(w, h, 6, 21).data(), w * 2);
  static_cast<void>(encoder.EncodeNextField());
  static_cast<void>(encoder.EncodeNextField());
  // A second session with a new desktop: every colour must be announced again.
  encoder.StartSession();
  ScreenDecoder decoder;
  ASSERT_TRUE(decoder.ResetGeometry(encoder.Describe()));
  const Image img = NoiseImage(w, h, 6, 21);
  encoder.LoadImage(img.data(), w * 2);
  decoder.ApplyUpdate(encoder.EncodeNextField());
  decoder.ApplyUpdate(encoder.EncodeNextField());
  Image picture(img.size());
  decoder.CopyPicture(picture.data());
  for (size_t i = 0; i < img.size(); ++i) ASSERT_EQ(picture[i], ToRgb555(6, img[i])) << i;
}

TEST(EncoderGeometry, OddSizedAndLargestScreensRoundTrip) {
  for (auto [w, h] : {std::pair{175u, 99u}, std::pair{2048u, 16u}, std::pair{9u, 2048u}, std::pair{1u, 1u}}) {
    CodecLoop loop(w, h, 6, 0);
    const Image a = UiImage(w, h, 6, w), b = NoiseImage(w, h, 6, h);
    loop.CodeImage(a);
    EXPECT_TRUE(loop.Shows(a)) << w << "x" << h;
    loop.CodeImage(b);
    EXPECT_TRUE(loop.Shows(b)) << w << "x" << h;
  }
  ScreenEncoder encoder;
  EXPECT_FALSE(encoder.Setup(2049, 100, 6));
  EXPECT_FALSE(encoder.Setup(100, 0, 6));
  EXPECT_FALSE(encoder.Setup(100, 100, 8));
}

}  // namespace
}  // namespace mirrodex
