#include "cli/CliSession.h"

#include <cstring>
#include <utility>

namespace mirrodex::cli {

CliSession::CliSession(SessionConfig config)
    : controller_(*this, decoder_, [&] {
        config.notifier = this;
        return config;
      }()),
      config_(std::move(config)) {}

CliSession::~CliSession() { controller_.StopSessions(); }

bool CliSession::Start(const std::optional<std::string>& wakeHost) {
  // Agents only from where the device is known to be, so no other receives what is sent.
  (void)controller_.ExpectPeer(wakeHost.value_or(config_.deviceHost));
  controller_.CreateSessions(false);
  return !wakeHost || controller_.WakeDevice(*wakeHost);
}

bool CliSession::StartOverBridge(std::chrono::steady_clock::time_point deadline, std::string& error) {
  bridge_ = std::make_unique<BridgeConnection>();
  return bridge_->Open(controller_, deadline, error);
}

CliSession::Outcome CliSession::WaitFor(const std::function<bool()>& ready,
                                        std::chrono::steady_clock::time_point deadline,
                                        const std::atomic<bool>* interrupted) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (ready()) return Outcome::kReady;
    if (endedAfterConnect_) return Outcome::kDeviceEnded;
    if (interrupted && *interrupted) return Outcome::kInterrupted;
    lock.unlock();
    const bool stopped = controller_.HaveStopped();
    lock.lock();
    if (stopped) return Outcome::kListenFailed;
    if (std::chrono::steady_clock::now() >= deadline) return Outcome::kTimedOut;
    changed_.wait_for(lock, std::chrono::milliseconds(100));
  }
}

ScreenTotals CliSession::TakeTotals() {
  std::lock_guard lock(mutex_);
  return std::exchange(totals_, ScreenTotals{});
}

std::string CliSession::ListenProblem() const {
  const int error = controller_.ListenError();
  return "cannot listen on TCP ports " + std::to_string(config_.commandPort) + " and " +
         std::to_string(config_.screenPort) + (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "");
}

DeviceRequester::Sender CliSession::RequestSender() {
  return [this](uint32_t code, std::span<const uint8_t> payload) {
    return controller_.BothConnected() && controller_.QueueRequest(code, payload);
  };
}

void CliSession::OnEvent(uint32_t code) {
  if (code == kEventEnded || code == kEventError) dispatcher_.ConnectionLost();
  {
    std::lock_guard lock(mutex_);
    if (code == kEventConnected) ++openedSinceLastEnd_;
    if (code == kEventEnded || code == kEventError) {
      if (openedSinceLastEnd_ >= 2) endedAfterConnect_ = true;
      if (openedSinceLastEnd_ == 1) droppedWhileOpening_ = true;
      openedSinceLastEnd_ = 0;
    }
  }
  changed_.notify_all();
}

void CliSession::OnFrameComplete() {
  if (frameSink_) frameSink_(decoder_);
  {
    std::lock_guard lock(mutex_);
    if (picture_ || !decoder_.HasGeometry()) return;
    Picture picture;
    picture.width = decoder_.Width();
    picture.height = decoder_.Height();
    picture.pixels.resize(size_t{picture.width} * picture.height);
    decoder_.CopyPicture(picture.pixels.data());
    picture_ = std::move(picture);
  }
  changed_.notify_all();
}

void CliSession::OnScreenUpdate(const ScreenUpdateInfo& info) {
  std::lock_guard lock(mutex_);
  totals_.fields += info.fields;
  totals_.images += info.framesCompleted;
  totals_.wireBytes += info.wireBytes;
  totals_.payloadBytes += info.payloadBytes;
}

void CliSession::ShowError(std::string_view text, std::string_view) {
  std::lock_guard lock(mutex_);
  lastMessage_ = text;
}

}  // namespace mirrodex::cli
