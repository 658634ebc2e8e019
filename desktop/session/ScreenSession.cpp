#include "desktop/session/ScreenSession.h"

namespace mirrodex {

ScreenSession::ScreenSession(SessionOwner& owner, SessionSignal& signal,
                             const SessionConfig& config, ScreenDecoder& decoder)
    : SessionBase(owner, signal, config), decoder_(decoder) {
  decoder_.SetFrameCompleteHandler([this] { owner_.OnFrameComplete(); });
}

ScreenSession::~ScreenSession() {
  JoinWorker();
  decoder_.SetFrameCompleteHandler(nullptr);
}

DeviceInfo ScreenSession::ConnectedInfo() const {
  std::lock_guard lock(infoMutex_);
  return info_;
}

void ScreenSession::Act(uint32_t state) {
  switch (state) {
    case kStateWait:
      BackOff(kStateReceive);
      break;
    case kStateOpen:
      Open();
      break;
    case kStateReceive:
      ReceiveOne();
      break;
    default:
      break;
  }
}

void ScreenSession::Open() {
  decoder_.ResetPalette();
  ResetStates();
  ByteChannel& channel = Transport().Channel();
  if (!channel.IsStreamMode()) channel.Close();
  if (!ListenOrStop(config_.screenPort, kDeviceInfoSize)) return;
  SessionTransport& transport = Transport();
  if (!transport.ReadDeviceInfoAndSendSettings(config_.profile, config_.readSettings,
                                               config_.openingTimeoutMs) ||
      !decoder_.ResetGeometry(transport.Info())) {
    PushState(kStateError);
    return;
  }
  if (!ClaimPeer()) return;
  const DeviceInfo& info = transport.Info();
  // Block rows are not trusted from the record: the decoder derives them from the height.
  transport.SetPayloadLimit(
      MaxScreenPayloadBytes(info.blockColumns, (info.height + kBlockSize - 1u) / kBlockSize));
  {
    std::lock_guard lock(infoMutex_);
    info_ = info;
  }
  PushState(kStateReceive);
  owner_.OnEvent(kEventConnected);
}

void ScreenSession::ReceiveOne() {
  SessionTransport& transport = Transport();
  switch (transport.ReceiveMessage()) {
    case SessionTransport::Received::kFailed:
      PushState(kStateError);
      break;
    case SessionTransport::Received::kData: {
      ResetDelay();
      const auto payload = transport.Payload();
      const auto result = decoder_.ApplyUpdate(payload);
      owner_.OnScreenUpdate({transport.LastWireBytes(), payload.size(), result.fields,
                             result.framesCompleted});
      PushState(kStateReceive);
      break;
    }
    case SessionTransport::Received::kStatusValue:
      ResetDelay();
      value_.Clear();
      value_.Append(transport.Payload());
      PushState(kStateReceive);
      owner_.OnData(value_.Bytes());
      break;
    case SessionTransport::Received::kClose:
      owner_.OnEvent(kEventEnded);
      break;
    case SessionTransport::Received::kIdle:
    case SessionTransport::Received::kCommandWord:
      PushState(kStateWait);
      break;
  }
}

void ScreenSession::Shut() {
  Transport().Channel().Close();
  Log("Shutdown\r\n");
}

}  // namespace mirrodex
