#include "agent/capture/fb/RowConversion.h"

#include <bit>
#include <cstring>

namespace mirrodex {
namespace {

constexpr bool kHostBigEndian = std::endian::native == std::endian::big;

template <uint32_t Bytes, bool BigEndian>
inline uint32_t LoadPixel(const uint8_t* p) {
  uint32_t v = 0;
  for (uint32_t i = 0; i < Bytes; ++i) {
    const uint32_t shift = BigEndian ? 8 * (Bytes - 1 - i) : 8 * i;
    v |= static_cast<uint32_t>(p[i]) << shift;
  }
  return v;
}

}  // namespace

RowConversion RowConversion::For(const FramebufferLayout& layout) {
  RowConversion c;
  c.bytesPerPixel_ = layout.BytesPerPixel();
  c.bigEndian_ = layout.bigEndian;
  const bool hostOrder = layout.bigEndian == kHostBigEndian;
  if (layout.coding != SourceCoding::kConvertTo565) {
    c.kind_ = hostOrder ? Kind::kCopy16 : Kind::kSwap16;
    return c;
  }
  const PixelChannel r8{16, 8}, g8{8, 8}, b8{0, 8};
  if (layout.red == r8 && layout.green == g8 && layout.blue == b8 && !layout.bigEndian) {
    if (layout.bitsPerPixel == 32 && hostOrder) {
      c.kind_ = Kind::kXrgb8888;
      return c;
    }
    if (layout.bitsPerPixel == 24) {
      c.kind_ = Kind::kRgb888;
      return c;
    }
  }
  c.kind_ = Kind::kGeneric;
  // Keep the top 5, 6 and 5 bits of each channel; narrower channels are widened by shifting.
  auto channel = [](const PixelChannel& ch, uint32_t bits, uint32_t place) {
    Channel out;
    const uint32_t kept = ch.length < bits ? ch.length : bits;
    out.down = ch.offset + ch.length - kept;
    out.keep = (1u << kept) - 1;
    out.up = bits - kept;
    out.place = place;
    return out;
  };
  c.red_ = channel(layout.red, 5, 11);
  c.green_ = channel(layout.green, 6, 5);
  c.blue_ = channel(layout.blue, 5, 0);
  return c;
}

namespace {

// Size_t indices and restrict pointers let the compiler vectorise these loops.
void ConvertXrgb8888(const uint8_t* __restrict src, size_t width, uint16_t* __restrict dst) {
  for (size_t i = 0; i < width; ++i) {
    uint32_t p;
    std::memcpy(&p, src + 4 * i, 4);
    dst[i] = static_cast<uint16_t>(((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F));
  }
}

void ConvertRgb888(const uint8_t* __restrict src, size_t width, uint16_t* __restrict dst) {
  for (size_t i = 0; i < width; ++i) {
    const uint8_t* p = src + 3 * i;  // blue, green, red
    dst[i] = static_cast<uint16_t>((p[2] >> 3) << 11 | (p[1] >> 2) << 5 | (p[0] >> 3));
  }
}

template <uint32_t Bytes, bool BigEndian, typename Channels>
void ConvertGeneric(const uint8_t* __restrict src, size_t width, uint16_t* __restrict dst,
                    const Channels& ch) {
  const auto [r, g, b] = ch;
  for (size_t i = 0; i < width; ++i) {
    const uint32_t p = LoadPixel<Bytes, BigEndian>(src + Bytes * i);
    const uint32_t red = ((p >> r.down) & r.keep) << r.up;
    const uint32_t green = ((p >> g.down) & g.keep) << g.up;
    const uint32_t blue = ((p >> b.down) & b.keep) << b.up;
    dst[i] = static_cast<uint16_t>((red << r.place) | (green << g.place) | (blue << b.place));
  }
}

}  // namespace

void RowConversion::operator()(const uint8_t* src, uint32_t width, uint16_t* dst) const {
  switch (kind_) {
    case Kind::kCopy16:
      std::memcpy(dst, src, static_cast<size_t>(width) * 2);
      return;
    case Kind::kSwap16:
      for (uint32_t i = 0; i < width; ++i) {
        dst[i] = static_cast<uint16_t>(bigEndian_ ? LoadPixel<2, true>(src + 2 * i)
                                                  : LoadPixel<2, false>(src + 2 * i));
      }
      return;
    case Kind::kXrgb8888:
      return ConvertXrgb8888(src, width, dst);
    case Kind::kRgb888:
      return ConvertRgb888(src, width, dst);
    case Kind::kGeneric:
      break;
  }
  struct {
    Channel r, g, b;
  } const ch{red_, green_, blue_};
  const uint32_t key = bytesPerPixel_ * 2 + (bigEndian_ ? 1 : 0);
  switch (key) {
    case 4:
      return ConvertGeneric<2, false>(src, width, dst, ch);
    case 5:
      return ConvertGeneric<2, true>(src, width, dst, ch);
    case 6:
      return ConvertGeneric<3, false>(src, width, dst, ch);
    case 7:
      return ConvertGeneric<3, true>(src, width, dst, ch);
    case 8:
      return ConvertGeneric<4, false>(src, width, dst, ch);
    default:
      return ConvertGeneric<4, true>(src, width, dst, ch);
  }
}

}  // namespace mirrodex
