// Builds XWD framebuffer files for the capture tests, the way a server lays them out.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace mirrodex::test {

struct XwdTestImage {
  uint32_t width = 4, height = 2, bitsPerPixel = 16, depth = 16;
  uint32_t bytesPerLine = 0;  // 0: packed rows
  uint32_t redMask = 0xF800, greenMask = 0x07E0, blueMask = 0x001F;
  uint32_t visualClass = 4;  // TrueColor
  uint32_t byteOrder = 0;    // LSBFirst
  uint32_t colours = 3;
  uint32_t version = 7;
  std::string windowName = "screen";
  std::vector<uint32_t> pixels;  // width * height values, row by row

  uint32_t LineBytes() const { return bytesPerLine != 0 ? bytesPerLine : width * bitsPerPixel / 8; }
  uint32_t HeaderSize() const { return 100 + static_cast<uint32_t>(windowName.size()) + 1; }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out;
    auto word = [&out](uint32_t v) {
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
    };
    const uint32_t header[25] = {
        HeaderSize(), version,   2,         depth, width,        height,      0,
        byteOrder,    32,        byteOrder, 32,    bitsPerPixel, LineBytes(), visualClass,
        redMask,      greenMask, blueMask,  8,     colours,      colours,     width,
        height,       0,         0,         0};
    for (uint32_t v : header) word(v);
    out.insert(out.end(), windowName.begin(), windowName.end());
    out.push_back(0);
    out.resize(out.size() + 12 * colours, 0x5A);
    const size_t start = out.size();
    out.resize(start + size_t{LineBytes()} * height, 0xEE);
    const uint32_t bytes = bitsPerPixel / 8;
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width && size_t{y} * width + x < pixels.size(); ++x) {
        const uint32_t v = pixels[size_t{y} * width + x];
        uint8_t* p = out.data() + start + size_t{y} * LineBytes() + size_t{x} * bytes;
        for (uint32_t i = 0; i < bytes; ++i) {
          const uint32_t shift = byteOrder == 1 ? 8 * (bytes - 1 - i) : 8 * i;
          p[i] = static_cast<uint8_t>(v >> shift);
        }
      }
    }
    return out;
  }
};

// A file in a fresh temporary folder, removed with it.
class TempFile {
 public:
  TempFile() {
    std::string folder = "/tmp/mirrodex-capture-XXXXXX";
    if (const char* tmp = std::getenv("TMPDIR"))
      folder = std::string(tmp) + "/mirrodex-capture-XXXXXX";
    if (::mkdtemp(folder.data()) != nullptr) folder_ = folder;
    path_ = folder_ + "/screen.xwd";
  }
  ~TempFile() {
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& Path() const { return path_; }
  void Write(const std::vector<uint8_t>& bytes) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::string folder_;
  std::string path_;
};

}  // namespace mirrodex::test
