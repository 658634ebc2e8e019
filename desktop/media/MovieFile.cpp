#include "desktop/media/MovieFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace mirrodex {
namespace {

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

// Lossless RGB where the encoder takes it, else the encoder's own first choice.
AVPixelFormat ChoosePixelFormat(const AVCodec* codec) {
  if (codec->pix_fmts == nullptr) return AV_PIX_FMT_RGB24;
  for (const AVPixelFormat wanted : {AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR24}) {
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
      if (*f == wanted) return wanted;
    }
  }
  return codec->pix_fmts[0];
}

// Options that let an encoder keep up with two frames a second. Cinepak's defaults search
// codebooks over several strips at about 240 ms a frame at 240 x 320; one strip without the
// extra search halves that for files of the same size.
const char* EncoderTuning(const char* encoder) {
  return std::strcmp(encoder, "cinepak") == 0 ? "max_extra_cb_iterations=0:max_strips=1" : nullptr;
}

uint32_t RoundUp(uint32_t value, uint32_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

// The encoded size for frames of width x height.
FrameSize ChooseSize(const MovieStream& stream, AVPixelFormat format, uint32_t width,
                     uint32_t height) {
  for (const FrameSize& s : stream.sizes) {
    if (s.width >= width && s.height >= height) return s;
  }
  if (!stream.sizes.empty()) return stream.sizes.back();
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  return {RoundUp(width, 1u << d->log2_chroma_w), RoundUp(height, 1u << d->log2_chroma_h)};
}

// The part of `into` a frame of width x height fills: all of it when it fits, else scaled down
// keeping its proportions (even sides, for subsampled chroma).
FrameSize Fit(FrameSize into, uint32_t width, uint32_t height) {
  if (width <= into.width && height <= into.height) return {width, height};
  const double scale = std::min(double(into.width) / width, double(into.height) / height);
  return {std::max(2u, uint32_t(width * scale) & ~1u),
          std::max(2u, uint32_t(height * scale) & ~1u)};
}

}  // namespace

bool MovieFile::HasEncoder(const char* name) {
  return name != nullptr && avcodec_find_encoder_by_name(name) != nullptr;
}

MediaResult MovieFile::Fail(MovieStep step, MovieStep& failed, const std::string& why) {
  failed = step;
  Abandon();
  return MediaResult::Failure(why);
}

MediaResult MovieFile::Open(const std::filesystem::path& path, const MovieStream& stream,
                            uint32_t width, uint32_t height, MovieStep& failed) {
  Abandon();
  path_ = path;
  const AVCodec* codec = stream.encoder ? avcodec_find_encoder_by_name(stream.encoder) : nullptr;
  if (codec == nullptr)
    return Fail(MovieStep::kCodec, failed,
                std::string("This system's FFmpeg has no encoder \"") +
                    (stream.encoder ? stream.encoder : "") + "\". Choose another codec.");
  if (width == 0 || height == 0)
    return Fail(MovieStep::kFrame, failed, SnapshotSurface::NothingToSave().message);

  if (MediaResult opened = output_.Open(path); !opened)
    return Fail(MovieStep::kFile, failed, opened.message);
  int err = avformat_alloc_output_context2(&format_, nullptr, stream.container, nullptr);
  if (err < 0 || format_ == nullptr)
    return Fail(MovieStep::kFile, failed, std::string("No muxer \"") + stream.container + "\".");
  format_->pb = output_.Context();
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;

  const AVPixelFormat pixelFormat = ChoosePixelFormat(codec);
  size_ = ChooseSize(stream, pixelFormat, width, height);
  unitMs_ = std::clamp(stream.timeUnitMs, 1, 500);
  frameUnits_ = 500 / unitMs_;
  encoder_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (encoder_ == nullptr || frame_ == nullptr || packet_ == nullptr)
    return Fail(MovieStep::kEncoder, failed, "Out of memory.");
  encoder_->width = static_cast<int>(size_.width);
  encoder_->height = static_cast<int>(size_.height);
  encoder_->pix_fmt = pixelFormat;
  encoder_->time_base = {unitMs_, 1000};
  encoder_->framerate = {2, 1};
  encoder_->sample_aspect_ratio = {1, 1};
  // One thread: recording must leave the processor to the live picture.
  encoder_->thread_count = 1;
  if (stream.keyFrameInterval > 0) encoder_->gop_size = stream.keyFrameInterval;
  if (stream.bitRate > 0) encoder_->bit_rate = stream.bitRate;
  if (stream.qscale > 0) {
    encoder_->flags |= AV_CODEC_FLAG_QSCALE;
    qualityLambda_ = encoder_->global_quality = stream.qscale * FF_QP2LAMBDA;
  }
  if (stream.crf >= 0) {
    av_opt_set(encoder_->priv_data, "preset", "veryfast", 0);
    av_opt_set_double(encoder_->priv_data, "crf", stream.crf, 0);
  }
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  if (const char* tuning = EncoderTuning(stream.encoder))
    av_dict_parse_string(&options, tuning, "=", ":", 0);
  err = avcodec_open2(encoder_, codec, &options);
  av_dict_free(&options);
  if (err < 0)
    return Fail(MovieStep::kEncoder, failed,
                std::string("The encoder \"") + stream.encoder + "\" refused a picture of " +
                    std::to_string(size_.width) + " x " + std::to_string(size_.height) + ": " +
                    AvError(err) + ".");

  stream_ = avformat_new_stream(format_, nullptr);
  if (stream_ == nullptr) return Fail(MovieStep::kHeader, failed, "Out of memory.");
  stream_->time_base = encoder_->time_base;
  if ((err = avcodec_parameters_from_context(stream_->codecpar, encoder_)) < 0)
    return Fail(MovieStep::kHeader, failed, AvError(err));
  stream_->codecpar->codec_tag = stream.codecTag;
  if ((err = avformat_write_header(format_, nullptr)) < 0) {
    const MediaResult why = output_.LastFailure();
    return Fail(MovieStep::kHeader, failed,
                err == AVERROR(EIO) || err == AVERROR(ENOSPC) ? why.message : AvError(err));
  }

  frame_->format = pixelFormat;
  frame_->width = encoder_->width;
  frame_->height = encoder_->height;
  if ((err = av_frame_get_buffer(frame_, 0)) < 0)
    return Fail(MovieStep::kEncoder, failed, AvError(err));
  sourceSize_ = {};
  lastPts_ = -1;
  frames_ = 0;
  return MediaResult::Success();
}

MediaResult MovieFile::Convert(const SnapshotSurface& frame) {
  if (av_frame_make_writable(frame_) < 0) return MediaResult::Failure("Out of memory.");
  const FrameSize source{frame.Width(), frame.Height()};
  const FrameSize content = Fit(size_, source.width, source.height);
  if (source.width != sourceSize_.width || source.height != sourceSize_.height) {
    // A new source size: clear the border it may leave and set up its conversion.
    ptrdiff_t lines[4];
    for (int i = 0; i < 4; ++i) lines[i] = frame_->linesize[i];
    const bool fullRange = encoder_->pix_fmt == AV_PIX_FMT_YUVJ420P ||
                           encoder_->pix_fmt == AV_PIX_FMT_YUVJ422P ||
                           encoder_->pix_fmt == AV_PIX_FMT_YUVJ444P;
    av_image_fill_black(frame_->data, lines, encoder_->pix_fmt,
                        fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG, frame_->width,
                        frame_->height);
    sourceSize_ = source;
  }
  scaler_ = sws_getCachedContext(scaler_, int(source.width), int(source.height), AV_PIX_FMT_BGR24,
                                 int(content.width), int(content.height), encoder_->pix_fmt,
                                 SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (scaler_ == nullptr) return MediaResult::Failure("The picture cannot be converted.");
  const uint8_t* planes[4] = {frame.Row(0), nullptr, nullptr, nullptr};
  const int strides[4] = {static_cast<int>(frame.RowBytes()), 0, 0, 0};
  sws_scale(scaler_, planes, strides, 0, int(source.height), frame_->data, frame_->linesize);
  return MediaResult::Success();
}

MediaResult MovieFile::Write(const SnapshotSurface& frame, std::chrono::milliseconds time) {
  if (!IsOpen()) return MediaResult::Failure("The movie is not open.");
  if (frame.Empty()) return SnapshotSurface::NothingToSave();
  // Room for this frame at the size of an uncompressed one, before anything of it is written.
  const size_t worst = size_t{size_.width} * size_.height * 4 + 4096;
  if (MediaResult room = output_.Reserve(worst, frames_ + 1); !room) return room;
  if (MediaResult converted = Convert(frame); !converted) return converted;
  const int64_t pts = std::max(lastPts_ + 1, int64_t(std::llround(double(time.count()) / unitMs_)));
  frame_->pts = pts;
  frame_->quality = qualityLambda_;
  frame_->pict_type = AV_PICTURE_TYPE_NONE;
  const int err = avcodec_send_frame(encoder_, frame_);
  if (err < 0) return MediaResult::Failure("The encoder refused the frame: " + AvError(err) + ".");
  lastPts_ = pts;
  return Drain();
}

MediaResult MovieFile::Drain() {
  for (;;) {
    int err = avcodec_receive_packet(encoder_, packet_);
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return MediaResult::Success();
    if (err < 0) return MediaResult::Failure("The encoder failed: " + AvError(err) + ".");
    // Every frame lasts one capture interval, the last one included.
    packet_->duration = frameUnits_;
    av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    err = av_write_frame(format_, packet_);
    av_packet_unref(packet_);
    if (err < 0) return output_.LastFailure();
    ++frames_;
  }
}

MediaResult MovieFile::Finish() {
  if (!IsOpen()) return MediaResult::Failure("The movie is not open.");
  MediaResult result = MediaResult::Success();
  if (avcodec_send_frame(encoder_, nullptr) >= 0) result = Drain();
  if (result && av_write_trailer(format_) < 0) result = output_.LastFailure();
  if (result) result = output_.Commit();
  Abandon();
  return result;
}

void MovieFile::Abandon() {
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&encoder_);
  if (format_ != nullptr) {
    format_->pb = nullptr;  // owned by the output
    avformat_free_context(format_);
    format_ = nullptr;
  }
  stream_ = nullptr;
  output_.Abandon();
}

}  // namespace mirrodex
