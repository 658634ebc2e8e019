#include "agent/session/CSender.h"

#include <algorithm>
#include <array>

#include "agent/capture/CaptureState.h"
#include "agent/session/AgentLog.h"
#include "protocol/SessionSettings.h"

namespace mirrodex {

CSender::CSender(const SessionTiming& timing, uint16_t port) : CScheduler(port, timing) {
  // The desktop sends nothing with a body on this session.
  comm_.SetPayloadLimit(0);
}

DeviceInfo CSender::BuildDeviceInfo() const {
  const CaptureState& state = capture_->State();
  // The geometry (with the edge blocks the encoder pads) comes from the encoder itself.
  DeviceInfo info = capture_->Encoder().Describe();
  info.bitsPerPixel = static_cast<uint8_t>(state.bitsPerPixel);
  info.inverted = state.inverted ? 1 : 0;
  info.landscape = state.landscape ? 1 : 0;
  info.platform = platform_;
  // The capture's flags word keeps its bits above the low byte; the record carries them in
  // the flags byte, and the platform byte holds only the platform code.
  info.deviceFlags = static_cast<uint8_t>(
      ((state.deviceFlags & kCaptureFlagHighResolution) ? kDeviceFlagHighResolution : 0) |
      ((state.deviceFlags & kCaptureFlagSmartphone) ? kDeviceFlagSmartphone : 0));
  info.xPitch = static_cast<int16_t>(std::clamp(state.xPitch, -32768, 32767));
  info.yPitch = static_cast<int16_t>(std::clamp(state.yPitch, -32768, 32767));
  return info;
}

bool CSender::Prepare() {
  if (capture_ == nullptr || capture_->Encoder().Width() == 0) {
    AgentLog("the screen session cannot start: the screen has not been set up");
    return false;
  }
  paused_ = false;
  capture_->Encoder().StartSession();
  return true;
}

uint32_t CSender::StartPeriod() const { return std::max<uint32_t>(comm_.Settings().periodMs, 1); }

bool CSender::Step() {
  uint32_t state;
  if (NextState(state)) {
    switch (state) {
      case kStateIdle:
        BackOff(kStateIdle);
        break;
      case kStateConnect:
        Open();
        break;
      case kStateFrame:
        Frame();
        break;
      case kStateSleep:
        Sleep(timing_.idleSleepMs);
        Push(kStateSleep);
        break;
      case kStateFail:
        Notify(kStatusFailed);
        return Finish();
      default:
        return Finish();
    }
  }
  RunCommands();
  return true;
}

void CSender::Open() {
  std::array<uint8_t, kSessionSettingsSize> settings{};
  BeginOpening();
  bool opened = comm_.Connect(port_);
  if (opened) {
    const auto info = BuildDeviceInfo().Pack();
    opened = comm_.SendAll(info.data(), info.size()) &&
             comm_.ReceiveExact(settings.data(), settings.size());
  }
  if (!opened) {
    AgentLog("screen session: cannot connect to %s:%u or the desktop did not answer",
             comm_.Host().c_str(), port_);
    Notify(kStatusConnectFailed);
    Push(kStateFail);
    return;
  }
  MarkOpened();
  comm_.ApplySettings(SessionSettings::Parse(settings));
  capture_->Encoder().SelectKind(comm_.Settings().encoderKind);
  SetPeriod(StartPeriod());
  Notify(kStatusScreenConnected);
  Push(kStateFrame);
}

void CSender::Frame() {
  if (paused_) {
    Push(kStateFrame);
    return;
  }
  ScreenEncoder& encoder = capture_->Encoder();
  if (encoder.NeedsCapture() && !capture_->Capture()) {
    AgentLog("screen capture failed: %s", capture_->LastError().c_str());
    Push(kStateFail);
    return;
  }
  const auto payload = encoder.EncodeNextField();
  if (!payload.empty()) {
    ResetDelay();
    if (!comm_.SendData(payload)) {
      Push(kStateFail);
      return;
    }
  }
  Push(kStateFrame);
}

void CSender::RunCommands() {
  // Once a stop is asked, what is still queued is for a desktop that is leaving.
  while (!StopAsked()) {
    switch (Notifier().ProcessOneCommand()) {
      case CommandResult::kNothingQueued:
        return;
      case CommandResult::kPauseToggle:
        paused_ = !paused_;
        break;
      case CommandResult::kDone:
        break;
    }
  }
}

bool CSender::Finish() {
  if (!comm_.SendClose()) {
    // The desktop is gone already; nothing is lost by not telling it.
  }
  comm_.Close();
  Notify(kStatusEnded);
  return false;
}

}  // namespace mirrodex
