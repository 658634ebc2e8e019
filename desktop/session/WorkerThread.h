// A thread that calls its step function again and again, without a pause, until the step
// returns false or a stop is requested. Threads are never killed: whoever stops a worker must
// first make sure its step cannot block (close its socket or stream).
// Threads: the creator calls WaitForEnd and destroys it; RequestStop may come from any thread,
// including the worker itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace mirrodex {

class WorkerThread {
 public:
  explicit WorkerThread(std::function<bool()> step);
  // Requests a stop and joins.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void RequestStop() { stopRequested_ = true; }
  // Waits up to `timeoutMs` for the thread to end by itself (its step returned false); true
  // when it has. Requests nothing, so the step that notices a stop still runs in full.
  bool WaitForEnd(int timeoutMs);
  bool HasEnded() const;

 private:
  void Run();

  std::function<bool()> step_;
  std::atomic<bool> stopRequested_{false};
  mutable std::mutex mutex_;
  std::condition_variable endedChanged_;
  bool ended_ = false;
  std::thread thread_;  // last: starts after the fields above exist
};

}  // namespace mirrodex
