// The frame's side of starting and stopping the connection, and its answers to the sessions'
// events. The window never waits for the device: a TCP/IP start wakes the device and returns,
// and the start ends when both sessions have connected or the profile's time-out has passed.
// Until then the start guard refuses a second Start.

#include <QLabel>

#include "desktop/app/AppEvents.h"
#include "desktop/app/DeviceLink.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/SyncStart.h"
#include "desktop/shell/dialogs/MessagePrompter.h"

namespace mirrodex {

void CMainFrame::OnStart() {
  if (startGuard_) return;
  startGuard_ = true;
  const ConnectionProfile profile = store_.ReadProfile(profileName_, defaultPlatform_);
  if (!alternateAttempt_) SetPlatform(static_cast<uint16_t>(profile.platform));
  tcpIp_ = profile.connType != kConnTypeActiveSync;
  interlace_ = profile.interlace;
  timeoutSeconds_ = profile.timeOutSeconds;

  if (link_.IsConnected()) {  // Stop
    services_->StatusOff();
    videoPaused_ = false;
    waitingForDevice_ = false;
    wasConnected_ = false;
    screen_->ShowStage(0);
    link_.Listen();
    FinishStart();
    return;
  }
  screen_->ShowStage(0);
  if (!tcpIp_) {
    // The bridge start runs on the link's worker; its result comes as kBridgeStartDone.
    if (!link_.StartOverBridge(sync_start::UsesHostProgram(platform_))) {
      ShowMessage(LoadText(text::kBridgeUnavailable));
      FinishStart();
    }
    return;
  }
  const QString host = profile.hostIp.trimmed();
  if (host.isEmpty()) {
    ShowMessage(LoadText(text::kNoIpAddress));
    FinishStart();
    return;
  }
  link_.SetProfile(profileName_.toStdString());
  // A failed wake-up has shown its message; the agent may still connect by itself.
  (void)link_.Wake(host.left(255).toStdString());
  BeginStartWait();
}

void CMainFrame::BeginStartWait() {
  waitingForStart_ = true;
  UpdateTitle();
  screen_->ShowStage(5);
  startTimer_.start(std::min(std::max(timeoutSeconds_, 1) * 1000, startWaitCapMs_));
  commands_->UpdateAll();
}

void CMainFrame::FinishStart() {
  startTimer_.stop();
  waitingForStart_ = false;
  startGuard_ = false;
  alternateAttempt_ = false;
  if (!link_.IsConnected()) screen_->DrawIdlePicture(waitingForDevice_);
  UpdateTitle();
  commands_->UpdateAll();
}

void CMainFrame::OnSelectProfile(int index) {
  (void)store_.SetInt(setting::kCurrentProfile, index);
  const QStringList profiles = store_.ListProfiles();
  if (index < 0 || index >= profiles.size()) return;
  profileName_ = profiles.at(index);
  const ConnectionProfile profile = store_.ReadProfile(profileName_, defaultPlatform_);
  SetPlatform(static_cast<uint16_t>(profile.platform));
  tcpIp_ = profile.connType != kConnTypeActiveSync;
  interlace_ = profile.interlace;
  link_.SetProfile(profileName_.toStdString());
  UpdateTitle();
}

bool CMainFrame::SelectProfileByName(const QString& name) {
  const int index = static_cast<int>(store_.ListProfiles().indexOf(name));
  if (index < 0) return false;
  OnSelectProfile(index);
  return true;
}

void CMainFrame::OnSessionEvent(int param, uint32_t code) {
  switch (param) {
    case app::kRunStartAgain:
      OnStart();
      break;
    case app::kSessionLost:
      OnConnectionLost();
      break;
    case app::kBridgeStage:
      if (startGuard_) screen_->ShowStage(static_cast<int>(code));
      break;
    case app::kBridgeStartDone:
      if (static_cast<int32_t>(code) >= 0) {
        screen_->ShowStage(7);
        BeginStartWait();
        // Streamed sessions may have connected before the result came.
        if (link_.BothConnected()) OnConnected();
        break;
      }
      if (static_cast<int32_t>(code) == sync_start::kUnreachable) {
        ShowMessage(LoadText(text::kBridgeUnavailable));
      } else {
        ShowMessage(LoadText(text::kCommunicationFailed));
        screen_->ShowStage(0);
      }
      link_.Listen();
      FinishStart();
      break;
    default:
      if (link_.BothConnected()) OnConnected();
      break;
  }
  commands_->UpdateAll();
}

void CMainFrame::OnConnected() {
  const DeviceInfo info = link_.ConnectedInfo();
  uint16_t platform = info.platform;
  if (platform == 5 && (info.deviceFlags & kDeviceFlagSmartphone)) platform = 6;
  if (platform != 0) SetPlatform(platform);
  wasConnected_ = true;
  waitingForDevice_ = false;
  UpdateTitle();
  TickFigures();  // the figures pane shows from the start of the connection
  if (waitingForStart_) FinishStart();
}

void CMainFrame::OnConnectionLost() {
  services_->StatusOff();
  videoPaused_ = false;
  // The sessions listen again by themselves; a device that was connected is awaited.
  if (wasConnected_) waitingForDevice_ = true;
  wasConnected_ = false;
  if (!link_.IsConnected()) screen_->DrawIdlePicture(waitingForDevice_);
  UpdateTitle();
  TickFigures();
}

void CMainFrame::SetPlatform(uint16_t platform) {
  platform_ = platform;
  screen_->SetPlatform(platform);
}

void CMainFrame::UpdateTitle() {
  QString title = LoadText(text::kAppTitle) + QStringLiteral(" - ") + profileName_;
  if (waitingForDevice_) title += QStringLiteral(" (waiting for the device)");
  setWindowTitle(title);
  if (statePane_) statePane_->setText(StateText());
}

QString CMainFrame::StateText() const {
  if (link_.IsConnected()) return QStringLiteral("Connected");
  if (waitingForStart_) return QStringLiteral("Connecting ...");
  if (waitingForDevice_) return QStringLiteral("Waiting for the device");
  return QStringLiteral("Ready");
}

void CMainFrame::ShowMessage(const QString& text, bool error) {
  prompter_.Tell(isVisible() ? this : nullptr, text, error ? PromptIcon::kWarning : PromptIcon::kInformation);
}

}  // namespace mirrodex
