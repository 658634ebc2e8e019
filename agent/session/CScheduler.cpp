#include "agent/session/CScheduler.h"

#include <chrono>

#include "agent/session/AgentLog.h"

namespace mirrodex {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CScheduler::CScheduler(uint16_t port, const SessionTiming& timing) : port_(port), timing_(timing) {
  comm_.SetConnectTimeout(timing.connectTimeoutMs);
  comm_.SetSendTimeout(timing.sendTimeoutMs);
}

bool CScheduler::Begin(MRetrieveHttpCallbacks& notifier) {
  if (periodic_ == nullptr || periodic_->IsRunning()) return false;
  notifier_ = &notifier;
  comm_.ResetInterrupt();
  comm_.ClearDeadline();
  opened_ = false;
  stopAsked_ = false;
  states_.ResetAndPush(kStateConnect);
  delayMs_ = 1;
  retries_ = 0;
  return Prepare();
}

bool CScheduler::Start(MRetrieveHttpCallbacks& notifier) {
  if (!Begin(notifier)) return false;
  return periodic_->Start([this] { return Step(); }, StartPeriod(), comm_.Settings().priority);
}

bool CScheduler::RunOnStream(IRAPIStream* stream, MRetrieveHttpCallbacks& notifier) {
  if (stream == nullptr || periodic_ == nullptr || periodic_->IsRunning()) return false;
  comm_.AttachStream(stream);
  if (!Begin(notifier) || !periodic_->Run([this] { return Step(); }, StartPeriod())) {
    comm_.AttachStream(nullptr);
    return false;
  }
  // The stop step closed the transport; make sure the caller's stream is no longer held.
  comm_.Close();
  return true;
}

void CScheduler::Stop(bool close) {
  stopAsked_ = true;
  states_.ResetAndPush(kStateStop);
  if (close || !opened_) comm_.Interrupt();
  Wake();
}

bool CScheduler::Join(int timeoutMs) { return periodic_ == nullptr || periodic_->Join(timeoutMs); }

void CScheduler::Wake() {
  if (periodic_ != nullptr) periodic_->Wake();
}

void CScheduler::Push(uint32_t state) {
  if (!states_.Push(state)) AgentLog("state queue full; state %u dropped", state);
}

bool CScheduler::Sleep(uint32_t ms) { return periodic_->Sleep(ms); }

uint32_t CScheduler::GrowDelay() {
  if (delayMs_ < timing_.backOffLimitMs) delayMs_ += timing_.backOffStepMs;
  return delayMs_;
}

void CScheduler::BackOff(uint32_t next) {
  Sleep(GrowDelay());
  Push(next);
}

void CScheduler::BeginOpening() { comm_.SetDeadline(timing_.openingTimeoutMs); }

void CScheduler::MarkOpened() {
  comm_.ClearDeadline();
  MarkHeard();
  opened_ = true;
}

void CScheduler::MarkHeard() { heardAtMs_ = NowMs(); }

uint64_t CScheduler::IdleMs() const {
  if (!opened_) return 0;
  const int64_t idle = NowMs() - heardAtMs_.load();
  return idle > 0 ? static_cast<uint64_t>(idle) : 0;
}

void CScheduler::SetPeriod(uint32_t ms) { periodic_->SetPeriod(ms); }

void CScheduler::Notify(int status) {
  if (notifier_ != nullptr) notifier_->Notify(status);
}

}  // namespace mirrodex
