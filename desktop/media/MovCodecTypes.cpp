#include "desktop/media/MovCodecTypes.h"

#include "desktop/media/FourCc.h"

namespace mirrodex {
namespace {

constexpr FrameSize kH261Sizes[] = {{176, 144}, {352, 288}};
constexpr FrameSize kH263Sizes[] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};

constexpr MovCodecType kTypes[] = {
    {"Raw Full Frames", FourCcHighFirst("raw_"), "rawvideo", {}},
    {"Cinepak", FourCcHighFirst("cvid"), "cinepak", {}},
    {"JPEG", FourCcHighFirst("jpeg"), "mjpeg", {}},
    {"JPEG A", FourCcHighFirst("mjpa"), "mjpeg", {}},
    {"JPEG B", FourCcHighFirst("mjpb"), nullptr, {}},
    {"BMP Format (Full Frames)", FourCcHighFirst("WRLE"), nullptr, {}},
    {"H261 Compressor", FourCcHighFirst("h261"), "h261", kH261Sizes},
    {"H263 Compressor", FourCcHighFirst("h263"), "h263", kH263Sizes},
    {"Targa Format", FourCcHighFirst("tga_"), "targa", {}},
    {"PNG Format", FourCcHighFirst("png_"), "png", {}},
    {"TIFF Format", FourCcHighFirst("tiff"), "tiff", {}},
    {"Indeo 4", FourCcHighFirst("IV41"), nullptr, {}},
    {"MPEG4 Visual Codec", FourCcHighFirst("mp4v"), "mpeg4", {}},
};

}  // namespace

std::span<const MovCodecType> MovCodecTypes() {
  return kTypes;
}

const MovCodecType* FindMovCodecType(uint32_t type) {
  for (const auto& t : kTypes) {
    if (t.type == type) return &t;
  }
  return nullptr;
}

int MovCodecQuality(int quality) {
  const int step = quality < 0 ? 0 : quality / 25;
  return (step > 4 ? 4 : step) * 256;
}

}  // namespace mirrodex
