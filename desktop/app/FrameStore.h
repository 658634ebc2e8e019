// The latest complete device picture, handed from the screen-session thread to its readers
// (the screen window, tests, later the movie writer). The screen thread copies the decoder's
// picture into a back buffer without a lock and swaps it with the front buffer under the
// mutex; readers look at the front buffer under the same mutex, so the decoder's own buffer
// is never read while it is being written.
// Threads: Publish on the screen-session thread; Read and the accessors on any thread.
// Ownership: owns both buffers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace mirrodex {
class ScreenDecoder;
}

namespace mirrodex::app {

// One complete picture: RGB555, `width` pixels per row, top row first, with what the present
// step needs to lay it out.
struct Frame {
  std::vector<uint16_t> pixels;
  uint32_t width = 0;
  uint32_t height = 0;
  bool reoriented = false;  // the device asked for the re-orienting copy
  int16_t xPitch = 2;       // bytes, signed, as the device reported them
  int16_t yPitch = 0;
  uint64_t sequence = 0;    // 1 for the first picture, counting up
  std::chrono::steady_clock::time_point completedAt{};
};

class FrameStore {
 public:
  // Copies the decoder's picture. Returns true when the readers should be told (no earlier
  // notice is still unread), so that a slow reader gets one notice, not a queue of them.
  bool Publish(const ScreenDecoder& decoder);
  // For tests and tools: publishes a picture given directly.
  bool Publish(Frame frame);

  // Calls `reader` with the latest picture under the lock (keep it short), and marks the
  // notice read. Returns false (without calling) when no picture exists yet.
  bool Read(const std::function<void(const Frame&)>& reader);
  uint64_t Sequence() const;

 private:
  bool Swap();

  Frame back_;  // screen thread only
  mutable std::mutex mutex_;
  Frame front_;  // guarded by mutex_
  uint64_t sequence_ = 0;  // screen thread only
  std::atomic<bool> noticePending_{false};
};

}  // namespace mirrodex::app
