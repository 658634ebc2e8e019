#include "agent/session/CPeriodic.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace mirrodex {

CPeriodic::~CPeriodic() {
  RequestStop();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !running_; });
  lock.unlock();
  if (thread_.joinable()) thread_.join();
}

bool CPeriodic::Claim(uint32_t periodMs) {
  std::lock_guard lock(mutex_);
  if (running_) return false;
  running_ = true;
  stop_ = false;
  wake_ = false;
  periodMs_ = periodMs;
  return true;
}

bool CPeriodic::Start(Step step, uint32_t periodMs, int priority) {
  // The previous loop has ended (Claim checks), so its thread only needs collecting.
  if (IsRunning()) return false;
  if (thread_.joinable()) thread_.join();
  if (!Claim(periodMs)) return false;
  priority_ = priority;
  try {
    thread_ = std::thread([this, step = std::move(step)] { Loop(step); });
  } catch (const std::system_error&) {
    std::lock_guard lock(mutex_);
    running_ = false;
    return false;
  }
  return true;
}

bool CPeriodic::Run(Step step, uint32_t periodMs) {
  if (!Claim(periodMs)) return false;
  Loop(step);
  return true;
}

void CPeriodic::Loop(const Step& step) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) break;
    }
    if (!step()) break;
    if (const uint32_t period = Period(); period > 0) Sleep(period);
  }
  std::lock_guard lock(mutex_);
  running_ = false;
  changed_.notify_all();
}

void CPeriodic::RequestStop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

void CPeriodic::Wake() {
  std::lock_guard lock(mutex_);
  wake_ = true;
  changed_.notify_all();
}

void CPeriodic::SetPeriod(uint32_t periodMs) {
  std::lock_guard lock(mutex_);
  periodMs_ = periodMs;
}

uint32_t CPeriodic::Period() const {
  std::lock_guard lock(mutex_);
  return periodMs_;
}

bool CPeriodic::Sleep(uint32_t ms) {
  std::unique_lock lock(mutex_);
  const bool early =
      changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return wake_ || stop_; });
  wake_ = false;
  return early;
}

bool CPeriodic::Join(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                         [this] { return !running_; })) {
    return false;
  }
  lock.unlock();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  return true;
}

bool CPeriodic::IsRunning() const {
  std::lock_guard lock(mutex_);
  return running_;
}

}  // namespace mirrodex
