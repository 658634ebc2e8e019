// The requesting thread of the desktop program: runs device request jobs one after another on
// a worker thread of the session layer, each with a new requester made current for the reply
// dispatcher, and hands each job's continuation back to the user-interface thread.
// Threads: construction, Run and destruction on the user-interface thread.
// Ownership: the dispatcher and whatever the sender uses are not owned and must outlive the
// worker. Destruction waits for the job that is running (at most its request's timeout; it
// ends at once when the connection is lost) and drops the jobs not yet started.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>

#include "desktop/session/ReplyDispatcher.h"
#include "desktop/session/WorkerThread.h"
#include "desktop/shell/dialogs/DeviceRequestRunner.h"

namespace mirrodex {

class RequestWorker : public QObject, public DeviceRequestRunner {
  Q_OBJECT

 public:
  // `timeoutCapMs` shortens every request's timeout (tests); the product keeps the default.
  RequestWorker(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max(), QObject* parent = nullptr);
  ~RequestWorker() override;

  void Run(QObject* receiver, Job job) override;
  // Jobs queued or running; for tests and for refusing a second command while one waits.
  int Pending() const;

 private:
  struct Queued;
  bool Step();

  ReplyDispatcher& dispatcher_;
  DeviceRequester::Sender sender_;
  uint32_t timeoutCapMs_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Queued>> queue_;  // guarded by mutex_
  int running_ = 0;                            // guarded by mutex_
  bool stopping_ = false;                      // guarded by mutex_
  std::unique_ptr<WorkerThread> thread_;       // last: starts after the fields above exist
};

}  // namespace mirrodex
