#include "agent/CAgent.h"

#include <algorithm>
#include <vector>

#include "agent/ScreenCapFactory.h"
#include "agent/input/CLinuxUserInterface.h"
#include "agent/input/InputInjectorFactory.h"
#include "agent/services/CLinuxFileManager.h"
#include "agent/session/AgentLog.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {
namespace {

std::unique_ptr<CUserInterface> MakeUserInterface(const AgentOptions& options, const CScreenCap* screen) {
  if (options.makeUserInterface) return options.makeUserInterface();
  FileManagerConfig services;
  services.fileRoot = options.config.root;
  services.displayName = options.config.display;
  return std::make_unique<CLinuxUserInterface>(CreateInputInjector(options.config.display), screen,
                                               std::make_unique<CLinuxFileManager>(services));
}

std::unique_ptr<CScreenCap> MakeCapture(const AgentOptions& options) {
  return options.makeCapture ? options.makeCapture(options.config) : CreateScreenCap(options.config);
}

// The host name as UTF-8, or false when it is longer than the sessions accept.
bool HostName(const char16_t* host, std::string& out) {
  out.clear();
  if (host == nullptr) return true;
  const std::u16string_view name(host);
  if (name.size() > CAgent::kMaxHostChars) return false;
  out = Utf16ToUtf8(name);
  return true;
}

}  // namespace

AgentOptions AgentOptions::Product() {
  AgentOptions options;
  options.config = AgentConfig::FromEnvironment();
  return options;
}

CAgent::CAgent(AgentOptions options)
    : options_(std::move(options)),
      capture_(MakeCapture(options_)),
      callbacks_(MakeUserInterface(options_, capture_.get()), stopFlag_),
      screen_(options_.timing, options_.screenPort),
      command_(options_.timing, options_.commandPort) {
  callbacks_.BindSessions(&screen_, &command_);
  screen_.BindCapture(capture_.get());
  screen_.SetPlatform(options_.config.platform);
  // One thread object per session, reused by every start.
  screen_.AdoptPeriodic(threads_.NewPeriodic());
  command_.AdoptPeriodic(threads_.NewPeriodic());
}

CAgent::~CAgent() {
  std::lock_guard lock(entryMutex_);
  StopLocked();
  callbacks_.SetHostCallback(nullptr);
  // Nothing a session thread uses may go before the thread has ended: a request that is
  // still being served (a long copy) is waited for, however long it takes.
  for (CScheduler* session : {static_cast<CScheduler*>(&screen_), static_cast<CScheduler*>(&command_)}) {
    while (!session->Join(kOrderlyStopMs)) AgentLog("waiting for a session to finish its last command");
  }
}

bool CAgent::ServesLocked(const std::string& host) const {
  const std::string& desktop = host.empty() ? std::string(kSyncLinkAddress) : host;
  if (stopFlag_ != 0 || !screen_.IsRunning() || !command_.IsRunning()) return false;
  if (screen_.Comm().Host() != desktop || command_.Comm().Host() != desktop) return false;
  if (!screen_.IsOpened() || !command_.IsOpened()) return false;
  return std::min(screen_.IdleMs(), command_.IdleMs()) < options_.timing.keepAliveMs;
}

bool CAgent::SetUpScreen() {
  if (capture_ == nullptr) {
    AgentLog("no screen capture is available on this machine");
    return false;
  }
  if (!capture_->Initialise()) {
    AgentLog("cannot open the screen: %s", capture_->LastError().c_str());
    return false;
  }
  return true;
}

void CAgent::RunScreenStream(IRAPIStream* stream) {
  {
    std::lock_guard lock(entryMutex_);
    if (screen_.IsRunning()) {
      AgentLog("a screen session already runs; the new stream is refused");
      return;
    }
    if (!SetUpScreen()) return;
    stopFlag_ = 0;
  }
  if (!screen_.RunOnStream(stream, callbacks_)) AgentLog("the screen session could not start");
}

void CAgent::RunCommandStream(IRAPIStream* stream) {
  {
    std::lock_guard lock(entryMutex_);
    if (command_.IsRunning()) {
      AgentLog("a command session already runs; the new stream is refused");
      return;
    }
    callbacks_.UserInterface().Reset();
  }
  if (!command_.RunOnStream(stream, callbacks_)) AgentLog("the command session could not start");
}

uint8_t CAgent::Start(const char16_t* host) {
  std::lock_guard lock(entryMutex_);
  std::string name;
  if (!HostName(host, name)) {
    AgentLog("the desktop's name is longer than %zu characters", kMaxHostChars);
    return 1;
  }
  if (!initialised_) {
    AgentLog("the agent must be initialised before it starts");
    return 1;
  }
  if (screen_.IsRunning() || command_.IsRunning()) {
    // A start while running comes from a wake-up. The desktop that woke us wants a new
    // connection, unless the running one is its own, open and in use (a retry that reached
    // it just before its wake-up); one still opening or gone quiet is restarted.
    if (ServesLocked(name)) {
      AgentLog("already connected to %s and hearing from it; the sessions are left alone",
               screen_.Comm().Host().c_str());
      return 0;
    }
    StopLocked();
  }
  // A previous pair that ended by itself has finished its last step by now or very soon.
  if (!screen_.Join(kOrderlyStopMs) || !command_.Join(kOrderlyStopMs)) {
    AgentLog("the previous sessions have not ended yet; try again later");
    return 1;
  }
  screen_.Comm().SetHost(name);
  command_.Comm().SetHost(name);
  callbacks_.UserInterface().Reset();
  stopFlag_ = 0;
  if (!screen_.Start(callbacks_)) {
    stopFlag_ = 1;
    return 1;
  }
  if (!command_.Start(callbacks_)) {
    StopLocked();
    return 1;
  }
  return stopFlag_;
}

uint8_t CAgent::Stop() {
  std::lock_guard lock(entryMutex_);
  StopLocked();
  return 1;
}

void CAgent::StopLocked() {
  stopFlag_ = 1;
  screen_.Stop(false);
  command_.Stop(true);
  // The screen session ends with its close message when it can; a blocked one is closed.
  if (!screen_.Join(kOrderlyStopMs)) {
    screen_.Stop(true);
    if (!screen_.Join(kForcedStopMs)) AgentLog("the screen session has not ended yet");
  }
  if (!command_.Join(kForcedStopMs)) AgentLog("the command session has not ended yet");
}

bool CAgent::Initialise(HostCallback callback, int32_t* bounds) {
  std::lock_guard lock(entryMutex_);
  callbacks_.SetHostCallback(callback);
  if (screen_.IsRunning()) {
    AgentLog("the screen is in use by a running session; set-up skipped");
  } else if (!SetUpScreen()) {
    initialised_ = false;
    callbacks_.CallHost(kHostStartFailed);
    return false;
  }
  initialised_ = true;
  if (bounds != nullptr) FillBounds(bounds);
  return true;
}

void CAgent::ReportBounds(int32_t* bounds) const {
  std::lock_guard lock(entryMutex_);
  FillBounds(bounds);
}

void CAgent::FillBounds(int32_t* bounds) const {
  const bool known = capture_ != nullptr && initialised_;
  bounds[0] = 0;
  bounds[1] = 0;
  bounds[2] = known ? static_cast<int32_t>(capture_->State().width) : 0;
  bounds[3] = known ? static_cast<int32_t>(capture_->State().height) : 0;
}

void CAgent::Shutdown() {
  std::lock_guard lock(entryMutex_);
  StopLocked();
  if (capture_ != nullptr && !screen_.IsRunning()) capture_->Close();
  initialised_ = false;
}

}  // namespace mirrodex
