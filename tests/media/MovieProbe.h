// Reads a movie back with libavformat and libavcodec, independently of the writers: its video
// streams, the codec and tag of the first, the frames, the duration, and the first picture
// decoded to R, G, B.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace mirrodex::test {

struct MovieProbe {
  bool opened = false;
  std::string error;
  int videoStreams = 0;
  AVCodecID codec = AV_CODEC_ID_NONE;
  uint32_t tag = 0;
  int frames = 0;      // packets of the video stream
  double seconds = 0;  // the file's duration
  int width = 0, height = 0;
  std::vector<uint8_t> firstRgb;  // width x height x 3, top row first

  static MovieProbe Read(const std::filesystem::path& path);
};

}  // namespace mirrodex::test
