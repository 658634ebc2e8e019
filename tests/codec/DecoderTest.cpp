// The decoder against hand-built payloads: code layouts, colour conversion, field ends and
// malformed input that must stay inside the decoder's storage.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "desktop/session/ScreenDecoder.h"
#include "protocol/LittleEndian.h"

namespace mirrodex {
namespace {

// Builds one field unit: header, palette entries, block section.
std::vector<uint8_t> FieldUnit(uint16_t header, const std::vector<uint16_t>& entries,
                               const std::vector<uint8_t>& records) {
  std::vector<uint8_t> out(2 + 2 * entries.size() + 4);
  StoreU16(out.data(), header);
  for (size_t i = 0; i < entries.size(); ++i) StoreU16(out.data() + 2 + 2 * i, entries[i]);
  StoreU32(out.data() + 2 + 2 * entries.size(), static_cast<uint32_t>(records.size()));
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

class DecoderTest : public ::testing::Test {
 protected:
  void Reset(uint16_t width, uint16_t height, uint16_t format) {
    ASSERT_TRUE(decoder.ResetGeometry(MakeDeviceInfo(width, height, format)));
    decoder.SetFrameCompleteHandler([this] { ++frames; });
  }
  uint16_t Pixel(uint32_t x, uint32_t y) const { return decoder.Frame()[y * decoder.Stride() + x]; }

  ScreenDecoder decoder;
  int frames = 0;
};

TEST_F(DecoderTest, EvenFieldStoresPaletteAndWaitsForTheOddField) {
  Reset(240, 320, kColourRgb555);
  decoder.ResetPalette();
  // Header 0xE003: interlaced, even, palette reset, three entries; one 1-byte code 0x4A.
  auto even = FieldUnit(0xE003, {0x1111, 0x2222, 0x3333}, {0x01, 0, 0, 0x4A});
  decoder.ApplyUpdate(even);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(decoder.FillIndex(), 4u);
  EXPECT_EQ(decoder.PaletteEntry(1), 0x1111);
  EXPECT_EQ(Pixel(2, 0), 0x1111);  // scan position 2 of the even field: row 0, column 2
  // 0x8000 with A = 0: nothing changes, the image is complete.
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, {}));
  EXPECT_EQ(frames, 1);
  // In an odd field 0x4A lands on scan position 34: block row 1, column 2.
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, {0x01, 1, 0, 0x4A}));
  EXPECT_EQ(Pixel(8 + 2, 1), 0x1111);
  EXPECT_EQ(frames, 2);
  // A unit without the interlaced bit counts as odd.
  decoder.ApplyUpdate(FieldUnit(0x0000, {}, {}));
  EXPECT_EQ(frames, 3);
}

TEST_F(DecoderTest, EachCodeKindWritesItsValueAtItsPosition) {
  Reset(240, 320, kColourRgb555);
  decoder.ApplyUpdate(FieldUnit(0xA004, {0x0101, 0x0202, 0x0303, 0x0404}, {}));
  const std::vector<uint8_t> records = {
      5, 0, 0,
      0x40,              // slot 0 means palette[4], position 0
      0x85, 0x12, 0x34,  // literal 0x1234 at position 5
      0xC7, 0x05,        // small literal 5 at position 7
      0xE8, 0x01,        // small literal 0x101 at position 8
      0x29, 0x02,        // palette[0x102] (unfilled, 0) at position 9
  };
  decoder.ApplyUpdate(FieldUnit(0xC000, {}, records));
  EXPECT_EQ(Pixel(0, 0), 0x0404);
  EXPECT_EQ(Pixel(5, 0), 0x1234);
  EXPECT_EQ(Pixel(7, 0), 0x0005);
  EXPECT_EQ(Pixel(0, 2), 0x0101);
  EXPECT_EQ(Pixel(1, 2), 0x0000);
}

TEST_F(DecoderTest, ConvertsDeviceColoursToRgb555) {
  Reset(16, 16, kColourRgb565);
  decoder.ApplyUpdate(FieldUnit(0xA001, {0xFFFF}, {}));
  EXPECT_EQ(decoder.PaletteEntry(1), 0x7FFF);
  Reset(16, 16, kColourRgb444);
  decoder.ApplyUpdate(FieldUnit(0xA001, {0x0FFF}, {}));
  EXPECT_EQ(decoder.PaletteEntry(1), 0x7BDE);
  Reset(16, 16, kColourReducedGrey);
  decoder.ApplyUpdate(FieldUnit(0xC000, {}, {1, 0, 0, 0xE7}));
  EXPECT_EQ(Pixel(7, 0), 0x739C);
}

TEST_F(DecoderTest, LeftRelativeRecordCopiesOnlyTheCurrentField) {
  Reset(240, 320, kColourRgb555);
  // Paint block column 2 of block row 0 in both fields with literals.
  std::vector<uint8_t> even = {32, 2, 0}, odd = {32, 2, 0};
  for (uint8_t p = 0; p < 32; ++p) {
    even.insert(even.end(), {static_cast<uint8_t>(0x80 | p), 0x10, p});
    odd.insert(odd.end(), {static_cast<uint8_t>(0x80 | p), 0x20, p});
  }
  decoder.ApplyUpdate(FieldUnit(0xC000, {}, even));
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, odd));
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, {0x80, 3, 0}));
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 8; ++x) {
      EXPECT_EQ(Pixel(24 + x, y), y % 2 == 1 ? Pixel(16 + x, y) : 0) << x << "," << y;
    }
  }
  // Column 0 has no left neighbour: nothing is copied.
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, {0x80, 0, 0}));
  EXPECT_EQ(Pixel(0, 1), 0);
}

TEST_F(DecoderTest, BlockOffsetsCoverTheLastPixelOfA240By320Screen) {
  Reset(240, 320, kColourRgb555);
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, {1, 29, 39, 0x9F, 0x7F, 0xFF}));
  EXPECT_EQ(decoder.Frame()[39 * 1920 + 7 * 240 + 232 + 7], 0x7FFF);
}

TEST_F(DecoderTest, FrameBufferIsSixteenBitWhateverTheDeviceDepth) {
  DeviceInfo info = MakeDeviceInfo(64, 64, kColourRgb555);
  info.bitsPerPixel = 8;
  ASSERT_TRUE(decoder.ResetGeometry(info));
  // Fill the bottom-right block: with an 8-bit sized buffer these writes would overflow.
  std::vector<uint8_t> records = {32, 7, 7};
  for (uint8_t p = 0; p < 32; ++p) records.insert(records.end(), {static_cast<uint8_t>(0x80 | p), 0x7F, 0xFF});
  decoder.ApplyUpdate(FieldUnit(0x8000, {}, records));
  EXPECT_EQ(decoder.Frame()[63 * 64 + 63], 0x7FFF);
}

TEST_F(DecoderTest, RefusedGeometryKeepsThePreviousOne) {
  Reset(240, 320, kColourRgb555);
  EXPECT_FALSE(decoder.ResetGeometry(MakeDeviceInfo(0, 0, kColourRgb555)));
  EXPECT_FALSE(decoder.ResetGeometry(MakeDeviceInfo(4096, 4096, kColourRgb555)));
  EXPECT_EQ(decoder.Width(), 240u);
  EXPECT_EQ(decoder.Height(), 320u);
}

TEST_F(DecoderTest, MalformedRecordsAreSkippedOrStopTheirPayload) {
  Reset(20, 12, kColourRgb555);  // 3 x 2 blocks, a partial column and row
  // Column and row out of range, with codes to read past.
  auto r = decoder.ApplyUpdate(FieldUnit(0x8000, {}, {2, 3, 0, 0x80, 1, 2, 0xC1, 9, 0x80, 0, 5}));
  EXPECT_FALSE(r.truncated);
  EXPECT_EQ(frames, 1);
  // A literal position past 63 (odd field: 63 + 32) is skipped.
  r = decoder.ApplyUpdate(FieldUnit(0x8000, {}, {1, 0, 0, 0xBF, 0x7F, 0xFF}));
  EXPECT_EQ(Pixel(7, 7), 0);
  // Cut inside a code, inside a record header, inside the section length.
  for (const auto& cut : {std::vector<uint8_t>{0x00, 0x80, 5, 0, 0, 0, 1, 0, 0, 0x85, 0x12},
                          std::vector<uint8_t>{0x00, 0x80, 2, 0, 0, 0, 1},
                          std::vector<uint8_t>{0x00, 0x80, 2, 0}}) {
    EXPECT_TRUE(decoder.ApplyUpdate(cut).truncated);
  }
  // A block section that claims more than the payload holds.
  EXPECT_TRUE(decoder.ApplyUpdate(FieldUnit(0x8000, {}, {})).framesCompleted == 1);
  auto overlong = FieldUnit(0x8000, {}, {0, 0, 0});
  StoreU32(overlong.data() + 2, 0xFFFFFFF0u);
  EXPECT_TRUE(decoder.ApplyUpdate(overlong).truncated);
}

TEST_F(DecoderTest, RandomPayloadsNeverEscapeTheFrameBuffer) {
  // Under AddressSanitizer any stray read or write fails this test.
  std::mt19937 rng(7);
  for (uint16_t width : {8, 13, 240}) {
    Reset(width, 24, kColourRgb565);
    for (int i = 0; i < 2000; ++i) {
      std::vector<uint8_t> payload(rng() % 300);
      for (auto& b : payload) b = static_cast<uint8_t>(rng());
      if (payload.size() >= 6) StoreU16(payload.data(), static_cast<uint16_t>(0x8000 | (rng() & 0x6007)));
      decoder.ApplyUpdate(payload);
    }
    // A palette announcement far past 65535 entries only moves the fill index.
    std::vector<uint8_t> many = FieldUnit(0x1FFF, std::vector<uint16_t>(8191, 0x1234), {});
    for (int i = 0; i < 9; ++i) decoder.ApplyUpdate(many);
    EXPECT_GT(decoder.FillIndex(), 65536u);
  }
}

}  // namespace
}  // namespace mirrodex
