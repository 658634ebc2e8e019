// The live connection as the main window and the command-line client both need it: creates
// the two sessions listening, answers an ended or failed session by dropping both connections
// and listening again, wakes a device, attaches agent streams, queues input and requests, and
// stops.
// Threads: every public function on one controlling thread (the user-interface thread or the
// client's main thread); never from inside a SessionOwner callback. The client's callbacks
// come on the session threads, after the controller's own reaction.
// Ownership: owns the sessions and their shared stop signal; the client, the decoder and the
// config's pointers are not owned and must outlive the controller.
#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "desktop/session/CommandSession.h"
#include "desktop/session/PeerGate.h"
#include "desktop/session/ScreenDecoder.h"
#include "desktop/session/ScreenSession.h"
#include "desktop/session/SessionConfig.h"
#include "desktop/session/SessionOwner.h"
#include "desktop/session/SessionSignal.h"

namespace mirrodex {

class ConnectionController : private SessionOwner {
 public:
  // The longest WakeDevice waits for the sessions to listen.
  static constexpr int kListeningWaitMs = 3000;

  ConnectionController(SessionOwner& client, ScreenDecoder& decoder, SessionConfig config);
  ~ConnectionController() override;
  ConnectionController(const ConnectionController&) = delete;
  ConnectionController& operator=(const ConnectionController&) = delete;

  // Stops any sessions, then creates both: listening over TCP, or (stream mode) waiting for
  // AttachStreams.
  void CreateSessions(bool streamMode);
  // Stops both sessions (the command session sends the close message) and deletes them.
  // Returns within about 1.5 s from every state.
  void StopSessions();
  // Hands each session its agent stream and opens it; streams stay owned by the caller, who
  // releases them only after StopSessions.
  void AttachStreams(IRAPIStream* screenStream, IRAPIStream* commandStream);
  // The same for one session: channel 1 the screen session, 2 the command session. It may
  // come from another thread than the controlling one, while that one neither creates nor
  // stops the sessions.
  void AttachStream(int channel, IRAPIStream* stream);
  // Sends the wake-up byte to `host` and takes agents only from its addresses; false (after
  // the notifier's message) when it failed. With sessions, it first waits (up to
  // kListeningWaitMs) until both take connections, so the device's connections are not refused.
  [[nodiscard]] bool WakeDevice(const std::string& host);
  // Takes agents only from the IPv4 addresses of `host` from now on (an empty host: from any
  // address). False, changing nothing, when the name has no IPv4 address.
  [[nodiscard]] bool ExpectPeer(const std::string& host);
  // The profile whose settings the next CreateSessions uses.
  void SetProfile(const std::string& name) { config_.profile = name; }

  // False when there are no sessions or the request cannot be queued.
  [[nodiscard]] bool QueueRequest(uint32_t code, std::span<const uint8_t> payload);
  void QueueKey(uint32_t code, bool isVirtualKey);
  void QueuePointer(uint32_t x, uint32_t y, PointerAction action);

  bool HasSessions() const { return screen_ != nullptr; }
  // The screen session is connected.
  bool IsConnected() const;
  bool BothConnected() const;
  // The sessions ended by themselves (a port could not be opened); they need CreateSessions.
  bool HaveStopped() const { return HasSessions() && signal_.IsStopped(); }
  // errno of the last failed listen of either session, 0 when none failed.
  int ListenError() const;
  DeviceInfo ConnectedInfo() const;

 private:
  void OnEvent(uint32_t code) override;
  void OnData(std::span<const uint8_t> buffer) override { client_.OnData(buffer); }
  void OnFrameComplete() override { client_.OnFrameComplete(); }
  void OnScreenUpdate(const ScreenUpdateInfo& info) override { client_.OnScreenUpdate(info); }
  // Waits for a worker; false (logged) when it still runs.
  bool AwaitWorker(SessionBase& session, int timeoutMs, const char* name);

  SessionOwner& client_;
  ScreenDecoder& decoder_;
  SessionConfig config_;
  SessionSignal signal_;
  PeerGate gate_;
  std::mutex reactionMutex_;  // orders the sessions' reactions against StopSessions
  bool stopping_ = false;     // guarded by reactionMutex_
  std::unique_ptr<CommandSession> command_;
  std::unique_ptr<ScreenSession> screen_;
};

}  // namespace mirrodex
