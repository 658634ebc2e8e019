#include "desktop/media/AviCompressors.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "desktop/media/FourCc.h"

namespace mirrodex {
namespace {

constexpr AviCompressor kCompressors[] = {
    {FourCcLowFirst("CVID"), "cinepak", "Cinepak"},
    {FourCcLowFirst("MP42"), "msmpeg4v2", "MPEG-4 version 2 (MP42)"},
    {FourCcLowFirst("XVID"), "mpeg4", "MPEG-4 Visual (XVID)"},
    {FourCcLowFirst("DIVX"), "mpeg4", "MPEG-4 Visual (DIVX)"},
};

uint32_t UpperCase(uint32_t code) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t c = (code >> (8 * i)) & 0xFF;
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    out |= c << (8 * i);
  }
  return out;
}

}  // namespace

std::span<const AviCompressor> AviCompressors() {
  return kCompressors;
}

const AviCompressor* FindAviCompressor(uint32_t handler) {
  for (const auto& c : kCompressors) {
    if (c.handler == UpperCase(handler)) return &c;
  }
  return nullptr;
}

std::vector<AviCompressor> InstalledAviCompressors() {
  std::vector<AviCompressor> installed;
  for (const auto& c : kCompressors) {
    if (avcodec_find_encoder_by_name(c.encoder) != nullptr) installed.push_back(c);
  }
  return installed;
}

}  // namespace mirrodex
