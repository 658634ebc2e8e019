// The file a movie is written to, as FFmpeg's byte sink. Bytes go to a temporary file beside
// the target (OutputFile), which appears at the target only when the movie is finished, so a
// failed recording never destroys an older file of that name.
// Room is reserved ahead on the disk for everything written so far plus the index a muxer
// writes at the end: when the disk fills up, the next frame is refused before any byte of it
// is written, and the reserve still takes the index, so the movie can always be finished.
// One thread (the writer's); not copyable.
#pragma once

#include <cstdint>
#include <filesystem>

#include "desktop/media/MediaResult.h"
#include "desktop/media/OutputFile.h"

struct AVIOContext;

namespace mirrodex {

class MovieOutput {
 public:
  MovieOutput() = default;
  MovieOutput(const MovieOutput&) = delete;
  MovieOutput& operator=(const MovieOutput&) = delete;
  ~MovieOutput();

  [[nodiscard]] MediaResult Open(const std::filesystem::path& target);
  // FFmpeg's view of the file, owned here; null when not open.
  AVIOContext* Context() const { return context_; }
  // Makes sure `bytes` more can be written with the end-of-file reserve still free, for a
  // movie of `frames` frames. A failure (the disk is full) leaves the file as it was.
  [[nodiscard]] MediaResult Reserve(size_t bytes, uint64_t frames);
  // Flushes, trims the reserve off, closes and moves the file to its target.
  [[nodiscard]] MediaResult Commit();
  // Closes and removes an uncommitted file.
  void Abandon();
  // The failure of the last write, seek or reservation.
  MediaResult LastFailure() const { return file_.StreamFailure(lastError_); }

 private:
  static int WritePacket(void* opaque, uint8_t* data, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);
  int FileDescriptor() const;

  OutputFile file_;
  AVIOContext* context_ = nullptr;
  int64_t position_ = 0;  // where the next write goes
  int64_t size_ = 0;      // bytes of the movie (the file may be longer by the reserve)
  int64_t reserved_ = 0;  // bytes allocated on the disk
  bool canReserve_ = true;
  int lastError_ = 0;
};

}  // namespace mirrodex
