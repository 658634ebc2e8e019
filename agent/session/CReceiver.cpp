#include "agent/session/CReceiver.h"

#include "agent/session/AgentLog.h"

namespace mirrodex {

CReceiver::CReceiver(const SessionTiming& timing, uint16_t port) : CScheduler(port, timing) {
  comm_.SetPayloadLimit(kMaxCommandPayloadBytes);
}

bool CReceiver::Step() {
  uint32_t state;
  if (!NextState(state)) return true;
  switch (state) {
    case kStateIdle:
      // An idle header asks for nothing: wait for the desktop's next bytes instead of
      // sleeping, so headers that are already queued are read at once (the delay never
      // adds up over them) and a connection that closes is seen at once.
      comm_.WaitForInput(GrowDelay());
      Push(kStateRead);
      return true;
    case kStateConnect:
      Open();
      return true;
    case kStateRead:
      Read();
      return true;
    case kStateAwaitReply:
      AwaitReply();
      return true;
    case kStateSleep:
      Sleep(timing_.idleSleepMs);
      Push(kStateSleep);
      return true;
    case kStateFail:
      Notify(kStatusFailed);
      return Finish();
    default:
      return Finish();
  }
}

void CReceiver::Open() {
  static constexpr char kGreeting[2] = {'x', 'x'};
  BeginOpening();
  if (comm_.Connect(port_) && comm_.SendAll(kGreeting, sizeof kGreeting)) {
    MarkOpened();
    Push(kStateRead);
    return;
  }
  AgentLog("command session: cannot connect to %s:%u", comm_.Host().c_str(), port_);
  Notify(kStatusConnectFailed);
  Push(kStateFail);
}

void CReceiver::Read() {
  const CCommMgr::Received received = comm_.ReceiveMessage();
  if (received != CCommMgr::Received::kFailed) MarkHeard();
  switch (received) {
    case CCommMgr::Received::kFailed:
      Push(kStateFail);
      break;
    case CCommMgr::Received::kData:
      ResetDelay();
      retries_ = 0;
      Notifier().PutCommand(comm_.Payload());
      Push(kStateAwaitReply);
      break;
    case CCommMgr::Received::kCommandWord:
      ResetDelay();
      Notifier().PutCommandWord(comm_.CommandWord());
      Push(kStateRead);
      break;
    case CCommMgr::Received::kClose:
      Push(kStateStop);
      break;
    case CCommMgr::Received::kIdle:
      Push(kStateIdle);
      break;
  }
}

void CReceiver::AwaitReply() {
  if (Notifier().TakeReply(reply_) > 0) {
    retries_ = 0;
    Push(comm_.SendData(reply_.Bytes()) ? uint32_t{kStateRead} : uint32_t{kStateFail});
    return;
  }
  // A wake-up (a reply was queued, or a stop) is not an empty poll.
  if (!Sleep(timing_.replyPollMs)) ++retries_;
  if (retries_ >= timing_.replyPolls) {
    AgentLog("command session: no reply to the desktop's request; ending the session");
    Push(kStateFail);
    return;
  }
  Push(kStateAwaitReply);
}

bool CReceiver::Finish() {
  comm_.Close();
  Sleep(timing_.stopPauseMs);
  Notify(kStatusEnded);
  return false;
}

}  // namespace mirrodex
