// The AVI compressors this program can record with, by four-character code, and which of them
// the linked FFmpeg can encode (the "installed compressors" of the AVI profile list).
// Any thread; the table is constant.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mirrodex {

struct AviCompressor {
  uint32_t handler;     // four-character code, first letter in the lowest byte
  const char* encoder;  // FFmpeg encoder name
  const char* description;
};

// Every compressor the AVI writer knows, in list order: CVID, MP42, XVID, DIVX.
std::span<const AviCompressor> AviCompressors();
// The one with `handler` (letters compared without case), or null.
const AviCompressor* FindAviCompressor(uint32_t handler);
// Those whose encoder the linked FFmpeg has, in list order.
std::vector<AviCompressor> InstalledAviCompressors();

}  // namespace mirrodex
