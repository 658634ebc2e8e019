// How windows make request/reply exchanges with the device without blocking the user-interface
// thread: a job runs on the requesting thread with a fresh current requester, and what it
// returns runs afterwards on the user-interface thread.
// Threads: Run on the user-interface thread; jobs on the runner's requesting thread; their
// continuations back on the user-interface thread.
#pragma once

#include <functional>

#include "desktop/session/DeviceRequester.h"

class QObject;

namespace mirrodex {

class DeviceRequestRunner {
 public:
  // Runs on the requesting thread; the function it returns runs on the user-interface thread.
  using Job = std::function<std::function<void()>(DeviceRequester&)>;

  virtual ~DeviceRequestRunner() = default;
  // Queues `job`; jobs run one after another in the order they were queued. When `receiver`
  // has been destroyed by the time the job is done, its continuation is dropped, so a window
  // may close while its request still waits.
  virtual void Run(QObject* receiver, Job job) = 0;
};

}  // namespace mirrodex
