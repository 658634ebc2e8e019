// What the screen and command sessions share: the state queue that steers the session
// thread, the transport, the worker thread, the back-off and the states 5 (stop), 6 (wait for
// a stream) and 7 (error).
// Threads: Start, StopWorker and destruction on the thread that owns the sessions;
// PushState, ResetStates, RestartOpening and Interrupt from any thread; Step only on the
// session's own worker thread.
// Ownership: the session owns its transport and worker; the owner and the signal are not
// owned and must outlive the session.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "desktop/session/SessionConfig.h"
#include "desktop/session/SessionOwner.h"
#include "desktop/session/SessionSignal.h"
#include "desktop/session/SessionTransport.h"
#include "desktop/session/StateQueue.h"
#include "desktop/session/WorkerThread.h"

namespace mirrodex {

enum SessionState : uint32_t {
  kStateWait = 0,
  kStateOpen = 1,
  kStateSend = 2,     // command session
  kStateReceive = 3,  // screen session
  kStateStop = 5,
  kStateIdle = 6,
  kStateError = 7,
};

class SessionBase {
 public:
  SessionBase(SessionOwner& owner, SessionSignal& signal, const SessionConfig& config);
  // Stops the worker: the caller must already have unblocked it (StopWorker).
  virtual ~SessionBase();
  SessionBase(const SessionBase&) = delete;
  SessionBase& operator=(const SessionBase&) = delete;

  // Starts the worker with `initialState`: kStateOpen over TCP, kStateIdle to wait for a stream.
  void Start(uint32_t initialState);
  // Waits up to `timeoutMs` for the worker to end after a stop was pushed or signalled; true
  // when it has (or there is none).
  bool StopWorker(int timeoutMs);

  bool PushState(uint32_t state);
  void ResetStates();
  // Drops the connection and opens the channel again: closes the transport, empties the
  // queue and pushes kStateOpen as one step, so a state pushed by the call the close woke
  // is discarded by the opening.
  void RestartOpening();
  // Attaches `stream` to the transport and opens the channel over it (empties the queue and
  // pushes kStateOpen as one step).
  void OpenOnStream(IRAPIStream* stream);

  SessionTransport& Transport() { return transport_; }
  const SessionTransport& Transport() const { return transport_; }
  bool IsConnected() const { return transport_.Channel().IsConnected(); }

  // One step of the state machine; false when the session has stopped.
  bool Step();

 protected:
  // The session's own states (everything but 5, 6 and 7).
  virtual void Act(uint32_t state) = 0;
  // The session's part of stopping, before OnEvent(6).
  virtual void Shut() = 0;
  // True when the session has something to do that should cut a back-off sleep short.
  virtual bool HasWork() const { return false; }
  virtual void OnBackOff(uint32_t /*delayMs*/) {}

  // State 0: lengthens the delay up to 1001 ms, sleeps it (waking early for work), pushes `next`.
  void BackOff(uint32_t next);
  void ResetDelay() { delayMs_ = 1; }
  // Listens on `port` for a peer the gate admits that sends `openingBytes` within the opening
  // timeout. On failure pushes 6 when a stream is attached (it went away), else 5; when the
  // other session's peer never came, pushes 7.
  bool ListenOrStop(uint16_t port, size_t openingBytes);
  // After a completed opening: ties the device to the peer. False (the opening is pushed
  // again) when the other session took a different peer meanwhile.
  bool ClaimPeer();
  void Log(std::string_view text);
  void WakeSleepers() { signal_.Notify(); }
  // Derived destructors call this first: the worker must not run a step of a half-destroyed
  // session.
  void JoinWorker() { worker_.reset(); }

  SessionOwner& owner_;
  SessionSignal& signal_;
  const SessionConfig config_;

 private:
  bool ReadyToWake() const { return !states_.IsEmpty() || HasWork(); }

  StateQueue states_;
  SessionTransport transport_;
  uint32_t delayMs_ = 1;
  std::unique_ptr<WorkerThread> worker_;
};

}  // namespace mirrodex
