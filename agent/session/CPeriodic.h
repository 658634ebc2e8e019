// The thread object of a session: calls a step function until it returns false or a stop is
// asked, sleeping the period between steps. One object is reused for every start of its
// session (TCP mode: its own thread; stream mode: the caller's thread).
// Threads: Start, Run, Join and destruction on the owning thread (never from inside the
// loop); Wake, RequestStop and SetPeriod from any thread; Sleep only from inside the loop.
// A thread is never killed: stopping relies on the step's blocking calls being unblocked by
// whoever asks for the stop (closing the session's socket or stream).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace mirrodex {

class CPeriodic {
 public:
  using Step = std::function<bool()>;

  CPeriodic() = default;
  // Asks the loop to stop and waits for it to end, however long that takes.
  ~CPeriodic();
  CPeriodic(const CPeriodic&) = delete;
  CPeriodic& operator=(const CPeriodic&) = delete;

  // Starts a thread running the loop. False when the previous loop has not ended yet or no
  // thread could be created. The priority code is recorded only.
  [[nodiscard]] bool Start(Step step, uint32_t periodMs, int priority);
  // Runs the loop on the calling thread and returns when it ends. False, running nothing,
  // when a loop already runs.
  [[nodiscard]] bool Run(Step step, uint32_t periodMs);

  // Any thread: the loop ends before its next step; every sleep returns at once.
  void RequestStop();
  // Any thread: cuts the current (or the next) sleep short.
  void Wake();
  // Any thread: the sleep between steps; 0 = none (for steps that block by themselves).
  void SetPeriod(uint32_t periodMs);
  uint32_t Period() const;
  int Priority() const { return priority_; }

  // Inside the loop: sleeps up to `ms`; true when woken early by Wake or a stop.
  bool Sleep(uint32_t ms);

  // Owning thread: waits up to `timeoutMs` for the loop to end and joins its thread. True
  // when no loop runs any more.
  [[nodiscard]] bool Join(int timeoutMs);
  bool IsRunning() const;

 private:
  // Marks a loop as running; false when one already runs.
  bool Claim(uint32_t periodMs);
  void Loop(const Step& step);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool running_ = false;
  bool stop_ = false;
  bool wake_ = false;
  uint32_t periodMs_ = 1;
  int priority_ = 0;
  std::thread thread_;
};

}  // namespace mirrodex
