// The requesting thread of the desktop program: runs one device request job at a time
// (clipboard copies, status refreshes; each may wait up to 20 s for its reply), so that the
// user-interface thread never waits for the device. A job reports back by posting to the
// user-interface thread itself (QMetaObject::invokeMethod with a context object).
// Threads: Run, Busy and destruction on the user-interface thread; jobs on the worker.
// Ownership: owns its thread; the destructor waits for the running job, which ends at once
// when the sessions have been stopped before (a stopped link fails waiting requests).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace mirrodex::app {

class RequestWorker {
 public:
  RequestWorker();
  ~RequestWorker();
  RequestWorker(const RequestWorker&) = delete;
  RequestWorker& operator=(const RequestWorker&) = delete;

  // Starts `job` unless one is still running; false when busy.
  bool Run(std::function<void()> job);
  bool Busy() const;

 private:
  void Loop();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;  // guarded by mutex_
  bool running_ = false;       // guarded by mutex_: a job is queued or running
  bool quit_ = false;          // guarded by mutex_
  std::thread thread_;
};

}  // namespace mirrodex::app
