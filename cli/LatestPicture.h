// The newest complete device picture for a reader on another thread: the screen thread copies
// the decoder's picture into a back buffer and swaps it in under the lock, so the reader never
// waits for decoding and the screen thread never waits for the reader's work.
// Threads: Store on the screen session's thread (in the frame-complete hand-off); Take on any
// one other thread.
#pragma once

#include <cstdint>
#include <mutex>

#include "cli/CliSession.h"

namespace mirrodex {
class ScreenDecoder;
}

namespace mirrodex::cli {

class LatestPicture {
 public:
  void Store(const ScreenDecoder& decoder);
  // Copies the newest picture into `into`; false before the first.
  bool Take(Picture& into) const;
  bool HasPicture() const;

 private:
  Picture back_;  // the screen thread's alone
  mutable std::mutex mutex_;
  Picture front_;        // guarded
  bool stored_ = false;  // guarded
};

}  // namespace mirrodex::cli
