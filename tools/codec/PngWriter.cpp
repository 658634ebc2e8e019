#include "tools/codec/PngWriter.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "protocol/LittleEndian.h"

namespace mirrodex::codec {
namespace {

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, static_cast<uint32_t>(crc32(0, out.data() + typeAt, static_cast<uInt>(data.size() + 4))));
}

uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

}  // namespace

std::string WritePng(const std::string& path, const uint16_t* pixels, uint32_t width, uint32_t height,
                     uint32_t stride) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
  for (uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (uint32_t x = 0; x < width; ++x) {
      const uint16_t p = pixels[static_cast<size_t>(y) * stride + x];
      raw.push_back(Expand5((p >> 10) & 0x1F));
      raw.push_back(Expand5((p >> 5) & 0x1F));
      raw.push_back(Expand5(p & 0x1F));
    }
  }
  std::vector<uint8_t> idat(compressBound(raw.size()));
  uLongf idatSize = idat.size();
  if (compress2(idat.data(), &idatSize, raw.data(), raw.size(), 6) != Z_OK) return "PNG compression failed";
  idat.resize(idatSize);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian32(header, width);
  PutBigEndian32(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", idat);
  PutChunk(png, "IEND", {});

  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return "cannot create " + path + ": " + std::strerror(errno);
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(path.c_str());
    return "cannot write " + path + " (disk full?)";
  }
  return {};
}

}  // namespace mirrodex::codec
