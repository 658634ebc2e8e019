#include "desktop/session/CommandSession.h"

#include "protocol/MessageHeader.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {
constexpr uint32_t kRecordRequest = 0x10000000u;
constexpr uint32_t kRecordCommandWord = static_cast<uint32_t>(MessageType::kCommandWord);
constexpr uint32_t kRecordKindMask = 0xF0000000u;
constexpr uint32_t kMaxRequestCode = 63;
}  // namespace

CommandSession::CommandSession(SessionOwner& owner, SessionSignal& signal,
                               const SessionConfig& config)
    : SessionBase(owner, signal, config) {}

CommandSession::~CommandSession() { JoinWorker(); }

bool CommandSession::QueueRequest(uint32_t code, std::span<const uint8_t> payload) {
  if (code > kMaxRequestCode || payload.size() > kMaxRequestPayload) return false;
  const auto size = static_cast<uint32_t>(payload.size() + 4);
  {
    std::lock_guard lock(outgoingMutex_);
    outgoing_.AppendU32(kRecordRequest + size);
    outgoing_.AppendU32(size);
    outgoing_.AppendU32(RequestWord(code, static_cast<uint32_t>(payload.size())));
    outgoing_.Append(payload);
  }
  WakeSleepers();
  return true;
}

void CommandSession::QueueKey(uint32_t code, bool isVirtualKey) {
  QueueCommandWord(KeyWord(code, isVirtualKey));
}

void CommandSession::QueuePointer(uint32_t x, uint32_t y, PointerAction action) {
  QueueCommandWord(PointerWord(x, y, action));
}

void CommandSession::QueueCommandWord(uint32_t word) {
  {
    std::lock_guard lock(outgoingMutex_);
    outgoing_.AppendU32(kRecordCommandWord);
    outgoing_.AppendU32(word);
  }
  WakeSleepers();
}

bool CommandSession::HasWork() const {
  std::lock_guard lock(outgoingMutex_);
  return outgoing_.Remaining() > 0;
}

void CommandSession::OnBackOff(uint32_t delayMs) {
  if (config_.onBackOff) config_.onBackOff(delayMs);
}

void CommandSession::Act(uint32_t state) {
  switch (state) {
    case kStateWait:
      // The agent sends nothing unasked on this session, so an idle connection whose peer
      // has gone would otherwise look connected until the next send.
      if (Transport().Channel().PeerHasClosed()) {
        PushState(kStateError);
        break;
      }
      BackOff(kStateSend);
      break;
    case kStateOpen:
      Open();
      break;
    case kStateSend:
      SendNext();
      break;
    default:
      break;
  }
}

void CommandSession::Open() {
  ResetStates();
  if (!ListenOrStop(config_.commandPort, kGreetingSize)) return;
  if (!Transport().ReadGreeting(config_.openingTimeoutMs)) {
    PushState(kStateError);
    return;
  }
  if (!ClaimPeer()) return;
  PushState(kStateWait);
  owner_.OnEvent(kEventConnected);
}

void CommandSession::SendNext() {
  uint32_t kind = 0;
  uint32_t second = 0;
  {
    std::lock_guard lock(outgoingMutex_);
    if (!outgoing_.TakeU32(kind) || !outgoing_.TakeU32(second)) {
      outgoing_.Clear();
      return;  // nothing queued: the next step backs off
    }
    if ((kind & kRecordKindMask) == kRecordRequest) {
      request_.Resize(second);
      if (!outgoing_.Take(request_.Data(), second)) request_.Clear();
    }
    outgoing_.Compact();
  }
  ResetDelay();
  switch (kind & kRecordKindMask) {
    case kRecordRequest:
      SendRequest();
      break;
    case kRecordCommandWord: {
      uint8_t message[kHeaderSize];
      MessageHeader{kind, second}.Pack(message);
      if (!Transport().Channel().SendAll(message, sizeof message)) PushState(kStateError);
      break;
    }
    default:
      break;  // an unknown record is dropped
  }
}

void CommandSession::SendRequest() {
  SessionTransport& transport = Transport();
  if (request_.Size() == 0 || !transport.SendData(request_.Bytes()) ||
      transport.ReceiveMessage() != SessionTransport::Received::kData) {
    PushState(kStateError);
    return;
  }
  PushState(kStateSend);
  owner_.OnData(transport.Payload());
}

void CommandSession::Shut() {
  Log("Shutdown\r\n");
  uint8_t message[kHeaderSize];
  CloseMessage().Pack(message);
  (void)Transport().Channel().SendAll(message, sizeof message);
  Transport().Channel().Close();
}

}  // namespace mirrodex
