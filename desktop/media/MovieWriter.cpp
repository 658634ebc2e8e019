#include "desktop/media/MovieWriter.h"

#include <array>
#include <utility>

namespace mirrodex {
namespace {

MediaResult Closed() {
  return MediaResult::Failure("The recording has ended; no more frames are written.");
}

}  // namespace

MovieWriter::MovieWriter(std::filesystem::path path, UserNotifier* notifier,
                         const MovieWriterTexts& texts)
    : path_(std::move(path)), notifier_(notifier), texts_(texts) {}

MovieWriter::~MovieWriter() {
  (void)Close();
}

MediaResult MovieWriter::Fail(const char* text, MediaResult failure) {
  file_.Abandon();
  state_ = kClosed;
  if (notifier_ != nullptr) notifier_->ShowError(text ? text : failure.message, texts_.caption);
  return failure;
}

MediaResult MovieWriter::Start() {
  if (state_ != kCreated) return state_ == kClosed ? Closed() : MediaResult::Success();
  MovieStream stream;
  if (MediaResult described = Describe(stream); !described) return Fail(texts_.codec, described);
  return MediaResult::Success();
}

MediaResult MovieWriter::AddFrame(const SnapshotSurface& frame, std::chrono::milliseconds time) {
  // The handler for each state, indexed by it.
  static constexpr std::array<Handler, 3> kHandlers{
      &MovieWriter::Refuse, &MovieWriter::OpenAndWrite, &MovieWriter::Write};
  return (this->*kHandlers[static_cast<size_t>(state_)])(frame, time);
}

MediaResult MovieWriter::Refuse(const SnapshotSurface&, std::chrono::milliseconds) {
  return Closed();
}

MediaResult MovieWriter::OpenAndWrite(const SnapshotSurface& frame,
                                      std::chrono::milliseconds time) {
  MovieStream stream;
  if (MediaResult described = Describe(stream); !described) return Fail(texts_.codec, described);
  MovieStep failed = MovieStep::kFile;
  if (MediaResult opened = file_.Open(path_, stream, frame.Width(), frame.Height(), failed);
      !opened) {
    switch (failed) {
      case MovieStep::kCodec:
        return Fail(texts_.codec, opened);
      case MovieStep::kFile:
        return Fail(texts_.file, opened);
      case MovieStep::kEncoder:
        return Fail(texts_.encoder, opened);
      case MovieStep::kHeader:
        return Fail(texts_.header, opened);
      case MovieStep::kFrame:
        return Fail(texts_.frame, opened);
    }
  }
  if (MediaResult written = file_.Write(frame, time); !written) return Fail(texts_.frame, written);
  state_ = kWriting;
  return MediaResult::Success();
}

MediaResult MovieWriter::Write(const SnapshotSurface& frame, std::chrono::milliseconds time) {
  MediaResult written = file_.Write(frame, time);
  if (!written && texts_.laterFrameMessage) {
    // Finish what was recorded before saying so.
    (void)Close();
    if (notifier_ != nullptr) notifier_->ShowError(texts_.frame, texts_.caption);
  }
  return written;
}

MediaResult MovieWriter::Close() {
  if (state_ == kWriting) {
    state_ = kClosed;
    finished_ = file_.Finish();
  }
  state_ = kClosed;
  if (finished_) return *finished_;
  file_.Abandon();
  return MediaResult::Failure("No frame was recorded, so no file was written.");
}

}  // namespace mirrodex
