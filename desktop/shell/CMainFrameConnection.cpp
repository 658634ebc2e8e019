// The frame's side of starting and stopping the connection, and its answers to the sessions'
// events. The window never waits for the device: a TCP/IP start wakes the device and returns,
// and the start ends when both sessions have connected or the profile's time-out has passed.
// Until then the start guard refuses a second Start.

#include <QCoreApplication>
#include <QLabel>

#include "desktop/app/AppEvents.h"
#include "desktop/app/DeviceLink.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/ResourceMeter.h"
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
    StartThroughBridge();
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

void CMainFrame::StartThroughBridge() {
  link_.SetProfile(profileName_.toStdString());
  const bool hostProgramOnly = app::StartsHostProgramOnly(platform_);
  // The product's link runs the sequence on its worker and reports kBridgeStartDone; a link
  // without one leaves the answer to the frame's own sequence.
  if (link_.StartOverBridge(hostProgramOnly)) return;
  OnBridgeResult(bridge_->Run(hostProgramOnly));
}

void CMainFrame::OnBridgeResult(int result) {
  if (result == app::SyncBridgeStart::kUnreachable) {
    ShowMessage(LoadText(text::kBridgeUnavailable));
    FinishStart();
    return;
  }
  if (result < 0) {
    // The agent did not start: listen on TCP/IP again and go straight to the question of
    // another device type.
    prompter_.Tell(isVisible() ? this : nullptr, LoadText(text::kCommunicationFailed), PromptIcon::kError);
    screen_->ShowStage(0);
    link_.Listen();
    EndStartWait();
    return;
  }
  BeginStartWait();
  screen_->ShowStage(7);
}

// After the wait for the device: a start through the bridge that did not connect may be
// retried with the alternate device type, and a retry that connected may be kept.
void CMainFrame::EndStartWait() {
  startTimer_.stop();
  waitingForStart_ = false;
  if (platform_ == 1 || tcpIp_) {
    FinishStart();
    return;
  }
  if (link_.IsConnected()) {
    if (alternateAttempt_ && prompter_.Ask(this, LoadText(text::kSaveSettingQuestion), PromptIcon::kQuestion)) {
      ConnectionProfile profile = store_.ReadProfile(profileName_, defaultPlatform_);
      profile.platform = platform_;
      if (!store_.WriteProfile(profileName_, profile))
        ShowMessage(FormatText(text::kProfileSaveFailed, store_.FileName()));
    }
    FinishStart();
    return;
  }
  if (!alternateAttempt_ && prompter_.Ask(this, LoadText(text::kAlternateMethodQuestion), PromptIcon::kQuestion)) {
    alternateAttempt_ = true;
    SetPlatform(app::AlternatePlatform(platform_));
    startGuard_ = false;
    QCoreApplication::postEvent(this, new app::SessionEventEvent(app::kRunStartAgain, 0));
    return;
  }
  FinishStart();
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
      if (!startGuard_) break;
      OnBridgeResult(static_cast<int32_t>(code));
      // Streamed sessions may have connected before the result came.
      if (waitingForStart_ && link_.BothConnected()) OnConnected();
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
  // The meters can be read from every device but those that report no status.
  if (!services_->StatusRunning()) {
    battery_->SetAvailable(info.platform != 1);
    memory_->SetAvailable(info.platform != 1);
  }
  wasConnected_ = true;
  waitingForDevice_ = false;
  UpdateTitle();
  TickFigures();  // the figures pane shows from the start of the connection
  if (waitingForStart_) EndStartWait();
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
  if (link_.IsConnected()) {
    const DeviceInfo info = link_.ConnectedInfo();
    if (info.width == 0 || info.height == 0) return QStringLiteral("Connected");
    return QStringLiteral("Connected \u00b7 %1 \u00d7 %2").arg(info.width).arg(info.height);
  }
  if (waitingForStart_) return QStringLiteral("Connecting \u2026");
  if (waitingForDevice_) return QStringLiteral("Waiting for the device \u2026");
  return QStringLiteral("Ready \u00b7 F5 to connect");
}

void CMainFrame::ShowMessage(const QString& text, bool error) {
  prompter_.Tell(isVisible() ? this : nullptr, text, error ? PromptIcon::kWarning : PromptIcon::kInformation);
}

}  // namespace mirrodex
