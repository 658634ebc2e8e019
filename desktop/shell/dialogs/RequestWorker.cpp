#include "desktop/shell/dialogs/RequestWorker.h"

#include <QPointer>

namespace mirrodex {

struct RequestWorker::Queued {
  QPointer<QObject> receiver;  // read only on the user-interface thread
  Job job;
};

RequestWorker::RequestWorker(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                             uint32_t timeoutCapMs, QObject* parent)
    : QObject(parent),
      dispatcher_(dispatcher),
      sender_(std::move(sender)),
      timeoutCapMs_(timeoutCapMs),
      thread_(std::make_unique<WorkerThread>([this] { return Step(); })) {}

RequestWorker::~RequestWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  thread_.reset();  // joins after the running job
}

void RequestWorker::Run(QObject* receiver, Job job) {
  auto queued = std::make_shared<Queued>();
  queued->receiver = receiver;
  queued->job = std::move(job);
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(queued));
  }
  changed_.notify_all();
}

int RequestWorker::Pending() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(queue_.size()) + running_;
}

bool RequestWorker::Step() {
  std::shared_ptr<Queued> next;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return false;
    next = std::move(queue_.front());
    queue_.pop_front();
    ++running_;
  }
  std::function<void()> continuation;
  {
    // The requester ends before the continuation is posted, so a window that starts its next
    // request from the continuation never meets this one still registered.
    DeviceRequester requester(dispatcher_, sender_, DeviceRequester::Role::kCurrent, timeoutCapMs_);
    continuation = next->job(requester);
  }
  // Posted to this worker, which outlives its thread; the receiver is checked on the
  // user-interface thread, where it is destroyed.
  QMetaObject::invokeMethod(
      this,
      [this, next, continuation = std::move(continuation)] {
        {
          std::lock_guard lock(mutex_);
          --running_;
        }
        if (next->receiver && continuation) continuation();
      },
      Qt::QueuedConnection);
  return true;
}

}  // namespace mirrodex
