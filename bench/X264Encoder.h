// The peer codec of the benchmarks: libx264 through libavcodec (preset ultrafast, tune
// zerolatency, one thread, default quality), fed 16-bit device pixels through libswscale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace mirrodex::bench {

class X264Encoder {
 public:
  X264Encoder() = default;
  ~X264Encoder();
  X264Encoder(const X264Encoder&) = delete;
  X264Encoder& operator=(const X264Encoder&) = delete;

  // False (with Error() set) when libavcodec has no libx264 or refuses the geometry.
  [[nodiscard]] bool Open(uint32_t width, uint32_t height, uint16_t colourFormat);
  // Converts one image to YUV 4:2:0 and encodes it; returns the bytes of the packets it
  // produced, or -1 on an error.
  long Encode(const uint16_t* pixels, size_t strideBytes);
  // Whether the last Encode produced a key frame.
  bool LastWasKey() const { return lastKey_; }
  const std::string& Error() const { return error_; }

 private:
  AVCodecContext* context_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* converter_ = nullptr;
  uint32_t height_ = 0;
  int64_t pts_ = 0;
  bool lastKey_ = false;
  std::string error_;
};

}  // namespace mirrodex::bench
