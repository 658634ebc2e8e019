// Records a movie on a thread of its own, so that encoding never slows the live picture: the
// capture hands each frame over through a bounded queue and never waits for the encoder. When
// the encoder falls behind and the queue is full, the new frame is dropped and counted.
// After a frame fails the recording stops taking frames; Finish then finishes the file with
// what was written.
// Threads: Offer, Failed and Finish on the capturing thread (one); the writer and its notifier
// on the recorder's thread. Owns the writer and the thread; the thread ends in Finish or in the
// destructor, before the writer is destroyed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "desktop/media/MediaResult.h"
#include "desktop/media/MovieWriter.h"
#include "desktop/media/SnapshotSurface.h"

namespace mirrodex {

class MovieRecorder {
 public:
  // Two seconds of capture: enough to ride out a slow frame, little memory.
  static constexpr size_t kQueueFrames = 4;

  struct Summary {
    uint64_t written = 0;
    uint64_t dropped = 0;  // frames the encoder could not keep up with
    MediaResult failure;   // why the recording stopped early; success when it did not
    MediaResult finished;  // whether a complete file was left at the path
  };

  explicit MovieRecorder(std::unique_ptr<MovieWriter> writer, size_t capacity = kQueueFrames);
  ~MovieRecorder();
  MovieRecorder(const MovieRecorder&) = delete;
  MovieRecorder& operator=(const MovieRecorder&) = delete;

  // Hands over a frame taken `time` after the capture started. False once a frame has failed:
  // the capture should stop.
  bool Offer(SnapshotSurface frame, std::chrono::milliseconds time);
  bool Failed() const;
  // Writes the frames still queued, finishes the file and ends the thread. Later calls return
  // the same summary.
  Summary Finish();

 private:
  struct Item {
    SnapshotSurface frame;
    std::chrono::milliseconds time;
  };
  void Run();

  std::unique_ptr<MovieWriter> writer_;
  const size_t capacity_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  std::deque<Item> queue_;
  bool finishing_ = false;
  bool failed_ = false;
  uint64_t dropped_ = 0;
  MediaResult failure_;
  std::optional<Summary> summary_;  // set by Finish
  std::thread thread_;              // last: starts once the rest exists
};

}  // namespace mirrodex
