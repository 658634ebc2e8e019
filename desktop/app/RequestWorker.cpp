#include "desktop/app/RequestWorker.h"

#include <pthread.h>

namespace mirrodex::app {

RequestWorker::RequestWorker() : thread_([this] { Loop(); }) {}

RequestWorker::~RequestWorker() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool RequestWorker::Run(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (running_ || quit_) return false;
    running_ = true;
    job_ = std::move(job);
  }
  changed_.notify_all();
  return true;
}

bool RequestWorker::Busy() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void RequestWorker::Loop() {
  pthread_setname_np(pthread_self(), "mirrodex-req");
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || job_; });
    if (!job_) return;
    auto job = std::move(job_);
    job_ = nullptr;
    lock.unlock();
    job();
    job = nullptr;
    lock.lock();
    running_ = false;
  }
}

}  // namespace mirrodex::app
