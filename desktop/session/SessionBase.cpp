#include "desktop/session/SessionBase.h"

#include "desktop/session/PeerGate.h"
#include "desktop/session/SessionLog.h"

namespace mirrodex {
namespace {
constexpr uint32_t kBackOffStepMs = 100;
constexpr uint32_t kBackOffLimitMs = 1000;
}  // namespace

SessionBase::SessionBase(SessionOwner& owner, SessionSignal& signal, const SessionConfig& config)
    : owner_(owner), signal_(signal), config_(config), transport_(config.notifier) {}

SessionBase::~SessionBase() { JoinWorker(); }

void SessionBase::Start(uint32_t initialState) {
  worker_.reset();
  states_.ResetStates();
  states_.PushState(initialState);
  worker_ = std::make_unique<WorkerThread>([this] { return Step(); });
}

bool SessionBase::StopWorker(int timeoutMs) { return !worker_ || worker_->WaitForEnd(timeoutMs); }

bool SessionBase::PushState(uint32_t state) {
  const bool pushed = states_.PushState(state);
  WakeSleepers();
  return pushed;
}

void SessionBase::ResetStates() { states_.ResetStates(); }

void SessionBase::RestartOpening() {
  states_.ResetAndPush(kStateOpen, [this] { transport_.Channel().Close(); });
  WakeSleepers();
}

void SessionBase::OpenOnStream(IRAPIStream* stream) {
  states_.ResetAndPush(kStateOpen, [&] { transport_.Channel().AttachStream(stream); });
  WakeSleepers();
}

bool SessionBase::Step() {
  switch (const uint32_t state = states_.PopState()) {
    case kStateStop:
      signal_.Stop();
      break;
    case kStateIdle:
      signal_.WaitFor(config_.idleSleepMs, [this] { return ReadyToWake(); });
      PushState(kStateIdle);
      break;
    case kStateError:
      owner_.OnEvent(kEventError);
      Log("Error\r\n");
      owner_.OnEvent(kEventAfterError);
      break;
    default:
      Act(state);
      break;
  }
  if (!signal_.IsStopped()) return true;
  Shut();
  owner_.OnEvent(kEventEnded);
  PushState(kStateStop);
  return false;  // the thread ends after this step; it never waits for itself
}

void SessionBase::BackOff(uint32_t next) {
  if (delayMs_ < kBackOffLimitMs) delayMs_ += kBackOffStepMs;
  OnBackOff(delayMs_);
  signal_.WaitFor(static_cast<int>(delayMs_), [this] { return ReadyToWake(); });
  PushState(next);
}

bool SessionBase::ListenOrStop(uint16_t port, size_t openingBytes) {
  ByteChannel::ListenRules rules;
  rules.openingBytes = openingBytes;
  rules.openingTimeoutMs = config_.openingTimeoutMs;
  PeerGate* gate = config_.gate;
  if (gate) rules.admits = [gate](in_addr_t address) { return gate->Admits(address); };
  // A stop that came before listening began closed nothing this listening could notice.
  rules.giveUp = [this, gate] { return signal_.IsStopped() || (gate && gate->PairingOverdue()); };
  switch (transport_.Channel().Listen(port, rules)) {
    case ByteChannel::ListenResult::kConnected:
      return true;
    case ByteChannel::ListenResult::kGaveUp:
      PushState(kStateError);
      return false;
    case ByteChannel::ListenResult::kFailed:
      break;
  }
  PushState(transport_.Channel().IsStreamMode() ? kStateIdle : kStateStop);
  return false;
}

bool SessionBase::ClaimPeer() {
  const ByteChannel& channel = transport_.Channel();
  if (!config_.gate || channel.IsStreamMode() || config_.gate->Claim(channel.PeerAddress())) return true;
  PushState(kStateOpen);
  return false;
}

void SessionBase::Log(std::string_view text) {
  if (config_.log) config_.log->Write(text);
}

}  // namespace mirrodex
