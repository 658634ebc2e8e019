#include "desktop/media/MovieRecorder.h"

#include <utility>

namespace mirrodex {

MovieRecorder::MovieRecorder(std::unique_ptr<MovieWriter> writer, size_t capacity)
    : writer_(std::move(writer)),
      capacity_(capacity > 0 ? capacity : 1),
      thread_([this] { Run(); }) {}

MovieRecorder::~MovieRecorder() {
  (void)Finish();
}

bool MovieRecorder::Offer(SnapshotSurface frame, std::chrono::milliseconds time) {
  {
    std::lock_guard lock(mutex_);
    if (failed_ || finishing_) return !failed_;
    if (queue_.size() >= capacity_) {
      ++dropped_;
      return true;
    }
    queue_.push_back({std::move(frame), time});
  }
  wake_.notify_one();
  return true;
}

bool MovieRecorder::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

void MovieRecorder::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
    if (queue_.empty()) return;  // finishing, and everything is written
    Item item = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    MediaResult written = writer_->AddFrame(item.frame, item.time);
    lock.lock();
    if (!written) {
      failed_ = true;
      failure_ = std::move(written);
      dropped_ += queue_.size();  // never written: counted with the frames that were dropped
      queue_.clear();
      // The thread stays until Finish, so that it always ends there.
    }
  }
}

MovieRecorder::Summary MovieRecorder::Finish() {
  if (summary_) return *summary_;
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  Summary summary;
  summary.finished = writer_->Close();
  summary.written = writer_->Frames();
  std::lock_guard lock(mutex_);
  summary.dropped = dropped_;
  summary.failure = failure_;
  summary_ = summary;
  return summary;
}

}  // namespace mirrodex
