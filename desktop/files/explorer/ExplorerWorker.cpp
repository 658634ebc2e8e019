#include "desktop/files/explorer/ExplorerWorker.h"

#include <atomic>
#include <chrono>
#include <utility>

namespace mirrodex {
namespace {

std::atomic<int> gLive{0};

// Threads that have not finished their last step.
std::mutex gThreadsMutex;
std::condition_variable gThreadsChanged;
int gThreads = 0;

void ThreadEnded() {
  {
    std::lock_guard lock(gThreadsMutex);
    --gThreads;
  }
  gThreadsChanged.notify_all();
}

}  // namespace

int ExplorerWorker::Live() {
  return gLive;
}

bool ExplorerWorker::WaitForThreads(int timeoutMs) {
  std::unique_lock lock(gThreadsMutex);
  return gThreadsChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [] { return gThreads == 0; });
}

ExplorerWorker::ExplorerWorker(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                               uint32_t timeoutCapMs, QObject* parent)
    : QObject(parent),
      dispatcher_(dispatcher),
      sender_(std::move(sender)),
      timeoutCapMs_(timeoutCapMs),
      thread_(std::make_unique<WorkerThread>([this] { return Step(); })) {
  ++gLive;
  std::lock_guard lock(gThreadsMutex);
  ++gThreads;
}

ExplorerWorker::~ExplorerWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  stop_ = true;
  changed_.notify_all();
  thread_.reset();  // joins after the running job; the sources went with the thread's last step
  --gLive;
}

void ExplorerWorker::Abandon() {
  abandoned_ = true;
  setParent(nullptr);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  stop_ = true;
  changed_.notify_all();
}

void ExplorerWorker::Run(Job job) {
  bool nowBusy = false;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(job));
    nowBusy = ++pending_ == 1;
  }
  changed_.notify_all();
  if (nowBusy) emit busyChanged(true);
}

int ExplorerWorker::Pending() const {
  std::lock_guard lock(mutex_);
  return pending_;
}

void ExplorerWorker::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(
      this,
      [this, work = std::move(work)] {
        if (!abandoned_) work();
      },
      Qt::QueuedConnection);
}

bool ExplorerWorker::Step() {
  if (!device_) {
    local_ = std::make_unique<LocalFileSource>();
    device_ = std::make_unique<DeviceFileSource>(dispatcher_, sender_, timeoutCapMs_);
  }
  Job job;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) {
      lock.unlock();
      device_.reset();  // its requester leaves the dispatcher on the thread that made it
      local_.reset();
      // An abandoned worker goes once its thread has ended; one being destroyed drops this.
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (abandoned_) deleteLater();
          },
          Qt::QueuedConnection);
      ThreadEnded();
      return false;
    }
    job = std::move(queue_.front());
    queue_.pop_front();
  }
  stop_ = false;
  ExplorerSources sources{*local_, *device_, stop_};
  std::function<void()> continuation = job(sources);
  // Posted to this worker, which the user-interface thread destroys: a continuation still
  // queued then is dropped with it.
  QMetaObject::invokeMethod(
      this,
      [this, continuation = std::move(continuation)] {
        if (continuation && !abandoned_) continuation();
        bool idle = false;
        {
          std::lock_guard lock(mutex_);
          idle = --pending_ == 0;
        }
        if (idle && !abandoned_) emit busyChanged(false);
      },
      Qt::QueuedConnection);
  return true;
}

}  // namespace mirrodex
