// The file manager's requesting thread: owns both file sources (made, used and destroyed on
// its own thread, as the device source's requester demands) and runs the window's jobs one
// after another there. What a job returns runs afterwards on the user-interface thread, so
// listings and copies never block the window.
// Threads: construction, Run, Pending and destruction on the user-interface thread; jobs on
// the worker thread; RequestStop from any thread.
// Ownership: the dispatcher and whatever the sender uses are not owned and must outlive the
// worker's thread. Destruction drops the jobs not yet started, asks the running one to stop (a
// copy ends after its current block) and joins. Abandon does the same without waiting: the
// worker then deletes itself once its thread has ended.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

#include "desktop/files/DeviceFileSource.h"
#include "desktop/files/LocalFileSource.h"
#include "desktop/session/WorkerThread.h"

namespace mirrodex {

// What a job works with; valid only while the job runs.
struct ExplorerSources {
  LocalFileSource& local;
  DeviceFileSource& device;
  const std::atomic<bool>& stop;  // set by RequestStop; cleared before each job

  FileSource& Side(bool device) { return device ? static_cast<FileSource&>(this->device) : local; }
};

class ExplorerWorker : public QObject {
  Q_OBJECT

 public:
  // Runs on the worker thread; the function it returns runs on the user-interface thread.
  using Job = std::function<std::function<void()>(ExplorerSources&)>;

  // `timeoutCapMs` shortens every request's timeout (tests); the product keeps the default.
  ExplorerWorker(ReplyDispatcher& dispatcher, DeviceRequester::Sender sender,
                 uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max(),
                 QObject* parent = nullptr);
  ~ExplorerWorker() override;

  void Run(Job job);
  // Drops the queued jobs and every continuation and progress report still to come, asks the
  // running job to stop, and lets the thread end in the background; the worker deletes itself
  // afterwards. The window that owned it may go at once.
  void Abandon();
  // Workers not yet deleted (tests wait for abandoned ones to go).
  static int Live();
  // Waits up to `timeoutMs` until no worker's thread runs any more (a program that ends waits
  // for abandoned ones before the dispatcher goes); true when none does.
  static bool WaitForThreads(int timeoutMs);
  // Asks the running job to end early (transfers end after their current block).
  void RequestStop() { stop_ = true; }
  // Jobs queued or running, or whose continuation has not run yet.
  int Pending() const;
  // Runs `work` on the user-interface thread from the worker thread (progress reports); it is
  // dropped when the worker is gone by then.
  void Post(std::function<void()> work);

 signals:
  // Pending() went from 0 to more or back to 0.
  void busyChanged(bool busy);

 private:
  bool Step();

  ReplyDispatcher& dispatcher_;
  DeviceRequester::Sender sender_;
  uint32_t timeoutCapMs_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;   // guarded by mutex_
  int pending_ = 0;         // guarded by mutex_: queued, running or awaiting their continuation
  bool stopping_ = false;   // guarded by mutex_
  bool abandoned_ = false;  // user-interface thread only
  // Worker thread only:
  std::unique_ptr<LocalFileSource> local_;
  std::unique_ptr<DeviceFileSource> device_;
  std::unique_ptr<WorkerThread> thread_;  // last: starts after the fields above exist
};

}  // namespace mirrodex
