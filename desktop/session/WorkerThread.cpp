#include "desktop/session/WorkerThread.h"

#include <chrono>

namespace mirrodex {

WorkerThread::WorkerThread(std::function<bool()> step)
    : step_(std::move(step)), thread_([this] { Run(); }) {}

WorkerThread::~WorkerThread() {
  RequestStop();
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::Run() {
  while (!stopRequested_ && step_()) {
  }
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  endedChanged_.notify_all();
}

bool WorkerThread::WaitForEnd(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return endedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return ended_; });
}

bool WorkerThread::HasEnded() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

}  // namespace mirrodex
