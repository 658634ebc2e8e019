// The movie writers' common frame-state design: state 0 closed or failed, 1 created, 2 writing;
// AddFrame dispatches on the state. The first frame opens the file at its size. Every failure
// that ends a recording shows exactly one message through the notifier (a message box in the
// program, a line on stderr in the command-line client), in the writer's own words.
// Threads: created on any thread, then used by one thread at a time (the recorder's); the
// notifier is called on that thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

#include "desktop/media/MediaResult.h"
#include "desktop/media/MovieFile.h"
#include "desktop/media/MovieStream.h"
#include "desktop/media/SnapshotSurface.h"
#include "desktop/session/UserNotifier.h"

namespace mirrodex {

// A writer's message texts by the step that failed.
struct MovieWriterTexts {
  const char* caption;     // message box title
  const char* codec;       // the codec cannot be written; null: the writer's own explanation
  const char* file;        // the file cannot be created
  const char* encoder;     // the encoder refuses the picture
  const char* header;      // the stream cannot be started
  const char* frame;       // a frame cannot be written
  bool laterFrameMessage;  // a failed later frame also shows `frame` and closes the writer
};

class MovieWriter {
 public:
  enum State : int { kClosed = 0, kCreated = 1, kWriting = 2 };

  virtual ~MovieWriter();
  MovieWriter(const MovieWriter&) = delete;
  MovieWriter& operator=(const MovieWriter&) = delete;

  // Checks before the first frame that the chosen codec can be written; a writer that cannot
  // shows its message and closes (state 0). Optional: the first frame checks the same.
  [[nodiscard]] MediaResult Start();
  // Adds one frame taken `time` after the capture started (state table above). The result's
  // text says what went wrong in detail; the user's message went through the notifier.
  [[nodiscard]] MediaResult AddFrame(const SnapshotSurface& frame, std::chrono::milliseconds time);
  // Finishes the file (state 0). Success when a complete, playable file is at the path;
  // a writer that never wrote a frame leaves no file and reports that.
  [[nodiscard]] MediaResult Close();

  int State() const { return state_; }
  uint64_t Frames() const { return file_.Frames(); }
  const std::filesystem::path& Path() const { return path_; }

 protected:
  MovieWriter(std::filesystem::path path, UserNotifier* notifier, const MovieWriterTexts& texts);
  // What to write. Fails, naming the codec, when it cannot be written here.
  virtual MediaResult Describe(MovieStream& stream) const = 0;

 private:
  using Handler = MediaResult (MovieWriter::*)(const SnapshotSurface&, std::chrono::milliseconds);
  MediaResult Refuse(const SnapshotSurface&, std::chrono::milliseconds);
  MediaResult OpenAndWrite(const SnapshotSurface& frame, std::chrono::milliseconds time);
  MediaResult Write(const SnapshotSurface& frame, std::chrono::milliseconds time);
  // Shows `text` (or the failure's own text when null) once and closes the writer.
  MediaResult Fail(const char* text, MediaResult failure);

  std::filesystem::path path_;
  UserNotifier* notifier_;
  const MovieWriterTexts& texts_;
  MovieFile file_;
  int state_ = kCreated;
  std::optional<MediaResult> finished_;  // how the file was finished, once it was
};

}  // namespace mirrodex
