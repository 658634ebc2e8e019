#include "bench/X264Encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace mirrodex::bench {
namespace {

AVPixelFormat SourceFormat(uint16_t colourFormat) {
  return colourFormat == 5 ? AV_PIX_FMT_RGB555LE : colourFormat == 7 ? AV_PIX_FMT_RGB444LE : AV_PIX_FMT_RGB565LE;
}

}  // namespace

X264Encoder::~X264Encoder() {
  sws_freeContext(converter_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&context_);
}

bool X264Encoder::Open(uint32_t width, uint32_t height, uint16_t colourFormat) {
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) {
    error_ = "libavcodec has no libx264 encoder";
    return false;
  }
  context_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (context_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
    error_ = "out of memory";
    return false;
  }
  context_->width = static_cast<int>(width);
  context_->height = static_cast<int>(height);
  context_->pix_fmt = AV_PIX_FMT_YUV420P;
  context_->time_base = {1, 30};
  context_->framerate = {30, 1};
  context_->thread_count = 1;
  av_opt_set(context_->priv_data, "preset", "ultrafast", 0);
  av_opt_set(context_->priv_data, "tune", "zerolatency", 0);
  if (avcodec_open2(context_, codec, nullptr) < 0) {
    error_ = "libx264 refused the settings";
    return false;
  }
  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = context_->width;
  frame_->height = context_->height;
  if (av_frame_get_buffer(frame_, 0) < 0) {
    error_ = "no frame buffer";
    return false;
  }
  // Same size in and out: a colour conversion only, with the cheapest filter.
  converter_ = sws_getContext(context_->width, context_->height, SourceFormat(colourFormat), context_->width,
                              context_->height, AV_PIX_FMT_YUV420P, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
  if (converter_ == nullptr) {
    error_ = "libswscale cannot convert the device format";
    return false;
  }
  height_ = height;
  return true;
}

long X264Encoder::Encode(const uint16_t* pixels, size_t strideBytes) {
  if (av_frame_make_writable(frame_) < 0) return -1;
  const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(pixels)};
  const int strides[1] = {static_cast<int>(strideBytes)};
  sws_scale(converter_, planes, strides, 0, static_cast<int>(height_), frame_->data, frame_->linesize);
  frame_->pts = pts_++;
  if (avcodec_send_frame(context_, frame_) < 0) return -1;
  long bytes = 0;
  lastKey_ = false;
  while (true) {
    const int rc = avcodec_receive_packet(context_, packet_);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
    if (rc < 0) return -1;
    bytes += packet_->size;
    lastKey_ = lastKey_ || (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(packet_);
  }
  return bytes;
}

}  // namespace mirrodex::bench
