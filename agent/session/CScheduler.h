// A session of the agent: a state machine that runs one step at a time on its thread object,
// over its own transport. The screen session (CSender) and the command session (CReceiver)
// derive from it.
// Threads: Start, RunOnStream, Join and AdoptPeriodic on the agent's entry points; Stop and
// Wake from any thread (also from the other session's thread, through the notifier); Step
// only on the session's loop.
// Ownership: the session owns its transport; the thread object belongs to the CleanupStack;
// the notifier is not owned and outlives the session.
#pragma once

#include <atomic>
#include <cstdint>

#include "agent/session/CCircularQ.h"
#include "agent/session/CPeriodic.h"
#include "agent/session/CSocketComm.h"
#include "agent/session/MRetrieveHttpCallbacks.h"
#include "agent/session/SessionTiming.h"

namespace mirrodex {

class CScheduler {
 public:
  enum State : uint32_t { kStateIdle = 0, kStateConnect = 1, kStateStop = 5, kStateSleep = 6, kStateFail = 7 };

  CScheduler(uint16_t port, const SessionTiming& timing);
  virtual ~CScheduler() = default;
  CScheduler(const CScheduler&) = delete;
  CScheduler& operator=(const CScheduler&) = delete;

  // One step; false when the session has ended.
  virtual bool Step() = 0;

  // The thread object reused by every start of this session.
  void AdoptPeriodic(CPeriodic* periodic) { periodic_ = periodic; }
  // TCP mode: starts the session on its thread and returns at once. False when the previous
  // run has not ended or the session cannot start.
  [[nodiscard]] bool Start(MRetrieveHttpCallbacks& notifier);
  // Stream mode: attaches `stream` and runs the session on the calling thread until it ends.
  // False, running nothing, when the session already runs.
  [[nodiscard]] bool RunOnStream(IRAPIStream* stream, MRetrieveHttpCallbacks& notifier);
  // Any thread: the session stops at its next step; with `close`, or while the session is
  // still opening, its transport is closed first, so a blocked connect, read or write returns.
  void Stop(bool close);
  // Waits up to `timeoutMs` for the session's loop to end; true when it has (or never ran).
  [[nodiscard]] bool Join(int timeoutMs);
  bool IsRunning() const { return periodic_ != nullptr && periodic_->IsRunning(); }
  // Any thread: the opening exchange of the current run is done.
  bool IsOpened() const { return opened_; }
  // Any thread: milliseconds since the desktop was last heard on this session (its opening
  // counts); 0 before the opening is done.
  uint64_t IdleMs() const;
  // Any thread: cuts the session's current sleep short.
  void Wake();

  CSocketComm& Comm() { return comm_; }
  const CSocketComm& Comm() const { return comm_; }

 protected:
  // Before the loop starts: false refuses the start.
  [[nodiscard]] virtual bool Prepare() { return true; }
  virtual uint32_t StartPeriod() const = 0;

  // The next queued state; false when none is queued.
  bool NextState(uint32_t& state) { return states_.Pop(state); }
  void Push(uint32_t state);
  // Session thread: sleeps up to `ms`; true when woken early.
  bool Sleep(uint32_t ms);
  // State 0: lengthens the back-off delay while below the limit, sleeps it, queues `next`.
  void BackOff(uint32_t next);
  // Lengthens the back-off delay while below the limit and returns it.
  uint32_t GrowDelay();
  void ResetDelay() { delayMs_ = 1; }
  // The opening exchange begins: it must be done within the opening timeout.
  void BeginOpening();
  // The opening exchange is done: from now on a stop without `close` lets the last step end
  // in order.
  void MarkOpened();
  // The desktop has sent something.
  void MarkHeard();
  // Any thread: a stop has been asked since the session started.
  bool StopAsked() const { return stopAsked_; }
  void SetPeriod(uint32_t ms);
  void Notify(int status);
  MRetrieveHttpCallbacks& Notifier() { return *notifier_; }

  CSocketComm comm_;
  const uint16_t port_;
  const SessionTiming timing_;
  uint32_t retries_ = 0;

 private:
  [[nodiscard]] bool Begin(MRetrieveHttpCallbacks& notifier);

  CCircularQ states_;
  std::atomic<bool> opened_{false};
  std::atomic<bool> stopAsked_{false};
  std::atomic<int64_t> heardAtMs_{0};  // steady clock
  uint32_t delayMs_ = 1;
  MRetrieveHttpCallbacks* notifier_ = nullptr;
  CPeriodic* periodic_ = nullptr;
};

}  // namespace mirrodex
