#include "agent/services/X11Clipboard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "agent/services/SelectionOwner.h"

namespace mirrodex {

X11Clipboard::X11Clipboard(std::string displayName, std::chrono::milliseconds transferTimeout)
    : displayName_(std::move(displayName)),
      transferTimeout_(transferTimeout),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

X11Clipboard::~X11Clipboard() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  Wake();
  if (thread_.joinable()) thread_.join();
}

ClipboardStatus X11Clipboard::GetText(std::string& utf8) { return Submit(false, utf8); }

ClipboardStatus X11Clipboard::SetText(const std::string& utf8) {
  std::string text = utf8;
  return Submit(true, text);
}

ClipboardStatus X11Clipboard::Submit(bool isSet, std::string& text) {
  if (!wake_.Valid()) return ClipboardStatus::kCannotOpen;
  auto job = std::make_shared<Job>();
  job->isSet = isSet;
  if (isSet) job->text = text;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!alive_) {
    lock.unlock();
    if (thread_.joinable()) thread_.join();  // it ended after losing its connection
    lock.lock();
    alive_ = true;
    thread_ = std::thread(&X11Clipboard::Run, this);
  }
  jobs_.push_back(job);
  lock.unlock();
  Wake();
  lock.lock();
  // The owner thread finishes every job within its transfer timeout; the margin covers a
  // server that is slow to answer.
  if (!changed_.wait_for(lock, transferTimeout_ + std::chrono::seconds(2), [&] { return job->done; })) {
    return ClipboardStatus::kCannotOpen;
  }
  if (!isSet && job->status == ClipboardStatus::kOk) text = std::move(job->text);
  return job->status;
}

void X11Clipboard::Wake() {
  const uint64_t one = 1;
  if (wake_.Valid()) (void)!::write(wake_.Get(), &one, sizeof one);
}

void X11Clipboard::Complete(const std::shared_ptr<Job>& job, ClipboardStatus status, std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  job->status = status;
  job->text = std::move(text);
  job->done = true;
  changed_.notify_all();
}

void X11Clipboard::Run() {
  SelectionOwner owner(displayName_);
  std::shared_ptr<Job> reading;  // the get whose text is on its way
  auto deadline = std::chrono::steady_clock::now();
  for (;;) {
    std::shared_ptr<Job> next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || !owner.Usable()) break;
      if (!reading && !jobs_.empty()) {
        next = jobs_.front();
        jobs_.pop_front();
      }
    }
    ClipboardStatus status = ClipboardStatus::kCannotOpen;
    std::string text;
    if (next && next->isSet) {
      Complete(next, owner.Take(next->text), {});
      continue;
    }
    if (next) {
      if (owner.BeginRead(status, text)) {
        Complete(next, status, std::move(text));
        continue;
      }
      reading = next;
      deadline = std::chrono::steady_clock::now() + transferTimeout_;
    }
    if (owner.HandleEvents(status, text) && reading) {
      Complete(reading, status, std::move(text));
      reading.reset();
      continue;
    }
    int timeoutMs = -1;
    if (reading) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        owner.AbandonRead();
        Complete(reading, ClipboardStatus::kCannotOpen, {});
        reading.reset();
        continue;
      }
      timeoutMs = static_cast<int>(left.count()) + 1;
    }
    pollfd fds[2] = {{owner.ConnectionFd(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) > 0 && (fds[1].revents & POLLIN) != 0) {
      uint64_t count = 0;
      (void)!::read(wake_.Get(), &count, sizeof count);
    }
  }
  if (reading) Complete(reading, ClipboardStatus::kCannotOpen, {});
  std::lock_guard<std::mutex> lock(mutex_);
  alive_ = false;
  for (const auto& job : jobs_) {
    job->status = ClipboardStatus::kCannotOpen;
    job->done = true;
  }
  jobs_.clear();
  changed_.notify_all();
}

}  // namespace mirrodex
