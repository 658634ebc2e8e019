#include "agent/session/CScheduler.h"

#include "agent/session/AgentLog.h"

namespace mirrodex {

CScheduler::CScheduler(uint16_t port, const SessionTiming& timing) : port_(port), timing_(timing) {
  comm_.SetConnectTimeout(timing.connectTimeoutMs);
}

bool CScheduler::Begin(MRetrieveHttpCallbacks& notifier) {
  if (periodic_ == nullptr || periodic_->IsRunning()) return false;
  notifier_ = &notifier;
  comm_.ResetInterrupt();
  opened_ = false;
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

void CScheduler::BackOff(uint32_t next) {
  if (delayMs_ < timing_.backOffLimitMs) delayMs_ += timing_.backOffStepMs;
  Sleep(delayMs_);
  Push(next);
}

void CScheduler::SetPeriod(uint32_t ms) { periodic_->SetPeriod(ms); }

void CScheduler::Notify(int status) {
  if (notifier_ != nullptr) notifier_->Notify(status);
}

}  // namespace mirrodex
