#include "tests/media/MovieProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace mirrodex::test {

MovieProbe MovieProbe::Read(const std::filesystem::path& path) {
  MovieProbe probe;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    probe.error = "cannot open " + path.string();
    return probe;
  }
  if (avformat_find_stream_info(format, nullptr) < 0) probe.error = "no stream info";
  probe.opened = true;
  int index = -1;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (format->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    ++probe.videoStreams;
    if (index < 0) index = static_cast<int>(i);
  }
  probe.seconds = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0;
  if (index < 0) {
    avformat_close_input(&format);
    return probe;
  }
  const AVCodecParameters* par = format->streams[index]->codecpar;
  probe.codec = par->codec_id;
  probe.tag = par->codec_tag;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  AVCodecContext* decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
  if (decoder) {
    avcodec_parameters_to_context(decoder, par);
    if (avcodec_open2(decoder, codec, nullptr) < 0) avcodec_free_context(&decoder);
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const auto take = [&] {
    if (!probe.firstRgb.empty() || avcodec_receive_frame(decoder, frame) < 0) return;
    probe.width = frame->width;
    probe.height = frame->height;
    probe.firstRgb.resize(size_t(frame->width) * frame->height * 3);
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    uint8_t* out[1] = {probe.firstRgb.data()};
    const int stride[1] = {frame->width * 3};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
    sws_freeContext(sws);
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == index) {
      ++probe.frames;
      if (decoder && probe.firstRgb.empty() && avcodec_send_packet(decoder, packet) >= 0) take();
    }
    av_packet_unref(packet);
  }
  if (decoder && probe.firstRgb.empty() && avcodec_send_packet(decoder, nullptr) >= 0) take();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&format);
  return probe;
}

}  // namespace mirrodex::test
