// One movie being written through FFmpeg: an encoder fed from 24-bit snapshot surfaces (through
// libswscale), a muxer writing into a MovieOutput. The picture size is fixed by the first frame;
// later frames of another size are fitted into it. Frames outside the encoder's sizes (H.261,
// H.263) are placed at the top left of the smallest size that holds them, or scaled down to
// fit the largest, on black.
// One thread (the writer's); not copyable. Order: Open, Write..., Finish or Abandon.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "desktop/media/MediaResult.h"
#include "desktop/media/MovieOutput.h"
#include "desktop/media/MovieStream.h"
#include "desktop/media/SnapshotSurface.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace mirrodex {

// Where opening a movie failed, so that each writer can name the step in its own words.
enum class MovieStep { kCodec, kFile, kEncoder, kHeader, kFrame };

class MovieFile {
 public:
  MovieFile() = default;
  MovieFile(const MovieFile&) = delete;
  MovieFile& operator=(const MovieFile&) = delete;
  ~MovieFile() { Abandon(); }

  // Whether the linked FFmpeg has the encoder `name`.
  static bool HasEncoder(const char* name);

  // Creates the file and its one video stream for frames of width x height. On failure nothing
  // is left on disk and `failed` says which step failed.
  [[nodiscard]] MediaResult Open(const std::filesystem::path& path, const MovieStream& stream,
                                 uint32_t width, uint32_t height, MovieStep& failed);
  // Encodes one frame taken `time` after the start of the capture. A failure leaves the movie
  // as it was: it can still be finished.
  [[nodiscard]] MediaResult Write(const SnapshotSurface& frame, std::chrono::milliseconds time);
  // Drains the encoder, writes the index and moves the file to its path.
  [[nodiscard]] MediaResult Finish();
  // Drops the movie: nothing is left on disk.
  void Abandon();

  bool IsOpen() const { return format_ != nullptr; }
  uint64_t Frames() const { return frames_; }
  FrameSize Size() const { return size_; }

 private:
  [[nodiscard]] MediaResult Fail(MovieStep step, MovieStep& failed, const std::string& why);
  [[nodiscard]] MediaResult Convert(const SnapshotSurface& frame);
  [[nodiscard]] MediaResult Drain();

  MovieOutput output_;
  std::filesystem::path path_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* encoder_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  FrameSize size_{};        // the encoded picture
  FrameSize sourceSize_{};  // the size the scaler and the black border are set up for
  int unitMs_ = 500;        // the encoder's time unit
  int64_t frameUnits_ = 1;  // one capture interval (500 ms) in encoder time units
  int64_t lastPts_ = -1;
  uint64_t frames_ = 0;  // packets written
  int qualityLambda_ = 0;
};

}  // namespace mirrodex
