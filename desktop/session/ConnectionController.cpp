#include "desktop/session/ConnectionController.h"

#include <string>

#include "desktop/session/Ipv4Lookup.h"
#include "desktop/session/SessionLog.h"
#include "desktop/session/WakeDevice.h"

namespace mirrodex {

ConnectionController::ConnectionController(SessionOwner& client, ScreenDecoder& decoder,
                                           SessionConfig config)
    : client_(client), decoder_(decoder), config_(std::move(config)), gate_(config_.openingTimeoutMs) {
  config_.gate = &gate_;
}

ConnectionController::~ConnectionController() { StopSessions(); }

void ConnectionController::CreateSessions(bool streamMode) {
  StopSessions();
  {
    std::lock_guard lock(reactionMutex_);
    stopping_ = false;
  }
  signal_.Clear();
  gate_.Release();
  SessionOwner& sink = *this;
  command_ = std::make_unique<CommandSession>(sink, signal_, config_);
  screen_ = std::make_unique<ScreenSession>(sink, signal_, config_, decoder_);
  const uint32_t initial = streamMode ? kStateIdle : kStateOpen;
  screen_->Start(initial);
  command_->Start(initial);
}

bool ConnectionController::AwaitWorker(SessionBase& session, int timeoutMs, const char* name) {
  if (session.StopWorker(timeoutMs)) return true;
  if (config_.log) config_.log->Write(std::string(name) + " session still running\r\n");
  return false;
}

void ConnectionController::StopSessions() {
  if (!screen_ || !command_) return;
  {
    // Reactions already running finish first; later ones see stopping_ and leave the
    // sessions alone.
    std::lock_guard lock(reactionMutex_);
    stopping_ = true;
  }
  signal_.Stop();
  for (SessionBase* session : {static_cast<SessionBase*>(screen_.get()),
                               static_cast<SessionBase*>(command_.get())}) {
    session->ResetStates();
    session->PushState(kStateStop);
  }
  screen_->PushState(kStateStop);
  screen_->Transport().Channel().Close();
  // The command session sends its close message itself. When it is blocked reading (an
  // opening or a reply), waking its reads still lets it send; a blocked send needs a close.
  const int slice = config_.stopWaitMs / 4;
  if (!command_->StopWorker(slice)) {
    command_->Transport().Channel().InterruptReads();
    if (!command_->StopWorker(slice)) {
      command_->Transport().Channel().Close();
      AwaitWorker(*command_, config_.stopWaitMs, "command");
    }
  }
  AwaitWorker(*screen_, config_.stopWaitMs, "screen");
  // Destruction joins: a worker that still runs is waited for here, never killed.
  screen_.reset();
  command_.reset();
}

void ConnectionController::OnEvent(uint32_t code) {
  {
    std::lock_guard lock(reactionMutex_);
    if (stopping_) return;
    if ((code == kEventEnded || code == kEventError) && !signal_.IsStopped()) {
      gate_.Release();
      screen_->RestartOpening();
      command_->RestartOpening();
    }
  }
  client_.OnEvent(code);
}

void ConnectionController::AttachStreams(IRAPIStream* screenStream, IRAPIStream* commandStream) {
  AttachStream(1, screenStream);
  AttachStream(2, commandStream);
}

void ConnectionController::AttachStream(int channel, IRAPIStream* stream) {
  if (!HasSessions()) return;
  if (channel == 1) {
    screen_->OpenOnStream(stream);
  } else {
    command_->OpenOnStream(stream);
  }
}

bool ConnectionController::WakeDevice(const std::string& host) {
  // A woken device connects back at once, and one that only waits for wake-ups never tries
  // again: the sessions started listening on their own threads, and the wake-up must not
  // overtake them.
  if (HasSessions()) {
    for (SessionBase* session : {static_cast<SessionBase*>(screen_.get()),
                                 static_cast<SessionBase*>(command_.get())}) {
      if (!session->Transport().Channel().WaitReady(kListeningWaitMs) && config_.log) {
        config_.log->Write("a session is not listening yet; waking the device anyway\r\n");
      }
    }
  }
  if (!mirrodex::WakeDevice(host, config_.notifier)) return false;
  (void)ExpectPeer(host);  // the wake-up reached it, so it has an address
  return true;
}

bool ConnectionController::ExpectPeer(const std::string& host) {
  if (host.empty()) {
    gate_.Expect({});
    return true;
  }
  auto addresses = LookUpIpv4(host);
  if (addresses.empty()) return false;
  gate_.Expect(std::move(addresses));
  return true;
}

bool ConnectionController::QueueRequest(uint32_t code, std::span<const uint8_t> payload) {
  return command_ && command_->QueueRequest(code, payload);
}

void ConnectionController::QueueKey(uint32_t code, bool isVirtualKey) {
  if (command_) command_->QueueKey(code, isVirtualKey);
}

void ConnectionController::QueuePointer(uint32_t x, uint32_t y, PointerAction action) {
  if (command_) command_->QueuePointer(x, y, action);
}

bool ConnectionController::IsConnected() const { return screen_ && screen_->IsConnected(); }

bool ConnectionController::BothConnected() const {
  return IsConnected() && command_ && command_->IsConnected();
}

int ConnectionController::ListenError() const {
  if (!screen_ || !command_) return 0;
  const int screenError = screen_->Transport().Channel().LastListenError();
  return screenError != 0 ? screenError : command_->Transport().Channel().LastListenError();
}

DeviceInfo ConnectionController::ConnectedInfo() const {
  return screen_ ? screen_->ConnectedInfo() : DeviceInfo{};
}

}  // namespace mirrodex
