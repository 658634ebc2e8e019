// The desktop program's live connection: the decoder, the reply dispatcher, the frame store,
// the session bridge and the connection controller, wired together and offered to the
// windows as a DeviceLink. The sessions are created listening by Listen (the frame calls it
// at start-up) and stopped by Stop or the destructor.
// Threads: as DeviceLink. QueueRequest may come from the request worker while the
// user-interface thread creates or stops sessions: one mutex orders them.
// Ownership: owns everything it wires; the config's pointers (log, settings reader) are not
// owned. The bridge's targets must be cleared by their owner before they go.
#pragma once

#include <mutex>

#include "desktop/app/DeviceLink.h"
#include "desktop/app/FrameStore.h"
#include "desktop/app/SessionBridge.h"
#include "desktop/session/ConnectionController.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/session/ScreenDecoder.h"

namespace mirrodex::app {

class SessionLink : public DeviceLink {
 public:
  explicit SessionLink(SessionConfig config);
  ~SessionLink() override;

  void Listen() override;
  void Stop() override;
  bool Wake(const std::string& host) override;
  void SetProfile(const std::string& name) override;
  bool IsConnected() const override { return controller_.IsConnected(); }
  bool BothConnected() const override { return controller_.BothConnected(); }
  DeviceInfo ConnectedInfo() const override { return controller_.ConnectedInfo(); }
  void QueueKey(uint32_t code, bool isVirtualKey) override;
  void QueuePointer(uint32_t x, uint32_t y, PointerAction action) override;
  bool QueueRequest(uint32_t code, std::span<const uint8_t> payload) override;

  // The sessions ended by themselves (a port could not be opened).
  bool HaveStopped() const { return controller_.HaveStopped(); }
  int ListenError() const { return controller_.ListenError(); }

  SessionBridge& Bridge() { return bridge_; }
  FrameStore& Frames() { return frames_; }
  ReplyDispatcher& Dispatcher() { return dispatcher_; }

 protected:
  // Stops the sessions and creates both anew, listening or (stream mode) waiting for streams.
  void RecreateSessions(bool streamMode);
  // Hands `stream` to the session of `channel` (1 screen, 2 command); any thread while the
  // sessions are not being created or stopped.
  void AttachSessionStream(int channel, IRAPIStream* stream);
  // Called with the sessions stopped, before any are created again.
  virtual void OnSessionsStopped() {}

 private:
  ScreenDecoder decoder_;
  ReplyDispatcher dispatcher_;  // outlives the controller: replies may come until it stops
  FrameStore frames_;
  SessionBridge bridge_;
  std::mutex sessionsMutex_;  // orders session creation and stopping against requests
  ConnectionController controller_;
};

}  // namespace mirrodex::app
