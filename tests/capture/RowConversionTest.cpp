// Per-pixel conversion of framebuffer rows to served 16-bit pixels, checked against a
// straightforward per-channel reference on pseudo-random pixels of every kind of layout.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "agent/capture/fb/RowConversion.h"

namespace mirrodex {
namespace {

uint32_t Narrow(uint32_t value, uint32_t from, uint32_t to) {
  return from >= to ? value >> (from - to) : value << (to - from);
}

uint16_t Reference565(uint32_t p, const FramebufferLayout& l) {
  auto ch = [p](const PixelChannel& c, uint32_t to) {
    return Narrow((p >> c.offset) & ((1u << c.length) - 1), c.length, to);
  };
  return static_cast<uint16_t>(ch(l.red, 5) << 11 | ch(l.green, 6) << 5 | ch(l.blue, 5));
}

FramebufferLayout Layout(uint32_t bits, PixelChannel r, PixelChannel g, PixelChannel b,
                         bool bigEndian = false) {
  FramebufferLayout l;
  l.width = 37;  // odd, and not a multiple of any vector width
  l.height = 1;
  l.bitsPerPixel = bits;
  l.lineLength = l.width * bits / 8;
  l.red = r;
  l.green = g;
  l.blue = b;
  l.bigEndian = bigEndian;
  std::string error;
  EXPECT_TRUE(ValidateFramebufferLayout(l, l.lineLength, error)) << error;
  return l;
}

// Stores pixel values the way the layout says, after one byte of misalignment.
std::vector<uint8_t> Store(const std::vector<uint32_t>& pixels, const FramebufferLayout& l) {
  const uint32_t bytes = l.BytesPerPixel();
  std::vector<uint8_t> out(1 + pixels.size() * bytes);
  for (size_t i = 0; i < pixels.size(); ++i) {
    for (uint32_t k = 0; k < bytes; ++k) {
      const uint32_t shift = l.bigEndian ? 8 * (bytes - 1 - k) : 8 * k;
      out[1 + i * bytes + k] = static_cast<uint8_t>(pixels[i] >> shift);
    }
  }
  return out;
}

TEST(RowConversion, EveryLayoutMatchesThePerChannelReference) {
  const FramebufferLayout layouts[] = {
      Layout(32, {16, 8}, {8, 8}, {0, 8}),        // the common XRGB
      Layout(32, {16, 8}, {8, 8}, {0, 8}, true),  // the same stored big-endian
      Layout(32, {0, 8}, {8, 8}, {16, 8}),        // XBGR
      Layout(32, {20, 10}, {10, 10}, {0, 10}),    // 10-bit channels
      Layout(24, {16, 8}, {8, 8}, {0, 8}),       Layout(24, {0, 8}, {8, 8}, {16, 8}, true),
      Layout(16, {0, 5}, {5, 6}, {11, 5}),        // BGR 5-6-5
      Layout(16, {0, 5}, {5, 5}, {10, 5}, true),  // BGR 5-5-5, narrow green widened
  };
  std::mt19937 random(7);
  for (const auto& layout : layouts) {
    const uint32_t mask = layout.bitsPerPixel == 32 ? 0xFFFFFFFFu : (1u << layout.bitsPerPixel) - 1;
    std::vector<uint32_t> pixels(layout.width);
    for (auto& p : pixels) p = random() & mask;
    pixels[0] = mask;  // full scale stays full scale
    pixels[1] = 0;
    const auto bytes = Store(pixels, layout);
    std::vector<uint16_t> row(layout.width + 1, 0xBEEF);
    RowConversion::For(layout)(bytes.data() + 1, layout.width, row.data());
    for (uint32_t i = 0; i < layout.width; ++i) {
      ASSERT_EQ(row[i], Reference565(pixels[i], layout))
          << layout.bitsPerPixel << "-bit layout, red at " << layout.red.offset << ", pixel " << i;
    }
    EXPECT_EQ(row[layout.width], 0xBEEF) << "wrote past the row";
  }
}

TEST(RowConversion, SixteenBitDeviceFormatsKeepTheirValues) {
  for (bool bigEndian : {false, true}) {
    const auto layout = Layout(16, {8, 4}, {4, 4}, {0, 4}, bigEndian);
    ASSERT_EQ(layout.coding, SourceCoding::kDirect444);
    std::vector<uint32_t> pixels(layout.width);
    for (uint32_t i = 0; i < layout.width; ++i) pixels[i] = 0x0F00u + i * 0x31u;
    const auto bytes = Store(pixels, layout);
    std::vector<uint16_t> row(layout.width);
    const auto convert = RowConversion::For(layout);
    EXPECT_EQ(convert.IsPlainCopy(), !bigEndian);
    convert(bytes.data() + 1, layout.width, row.data());
    for (uint32_t i = 0; i < layout.width; ++i) EXPECT_EQ(row[i], pixels[i]);
  }
}

}  // namespace
}  // namespace mirrodex
