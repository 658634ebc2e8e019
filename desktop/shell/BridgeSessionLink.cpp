#include "desktop/shell/BridgeSessionLink.h"

#include "desktop/app/AppEvents.h"

namespace mirrodex {

BridgeSessionLink::BridgeSessionLink(SessionConfig config, std::string libraryPath)
    : SessionLink(std::move(config)), rapi_(std::move(libraryPath)) {}

BridgeSessionLink::~BridgeSessionLink() {
  // The sessions stop before the streams they use are released with the bridge.
  Stop();
  rapi_.Release();
}

void BridgeSessionLink::Listen() {
  EndStart();
  SessionLink::Listen();
}

void BridgeSessionLink::Stop() {
  EndStart();
  SessionLink::Stop();
}

bool BridgeSessionLink::StartOverBridge(bool hostProgramOnly) {
  EndStart();
  // Stream mode: new sessions wait for their streams; the old ones stop before the old
  // streams go. The host program instead connects to the sessions listening now.
  if (!hostProgramOnly) RecreateSessions(true);
  worker_ = std::thread([this, hostProgramOnly] {
    const int result = sync_start::Run(rapi_, hostProgramOnly, *this);
    // A start cut short by Stop has no one waiting for its result.
    if (!rapi_.Cancelled()) Bridge().PostFrameEvent(app::kBridgeStartDone, static_cast<uint32_t>(result));
  });
  return true;
}

void BridgeSessionLink::ShowStage(int stage) {
  Bridge().PostFrameEvent(app::kBridgeStage, static_cast<uint32_t>(stage));
}

void BridgeSessionLink::AttachStream(int channel, IRAPIStream* stream) {
  AttachSessionStream(channel, stream);
}

void BridgeSessionLink::EndStart() {
  if (!worker_.joinable()) return;
  rapi_.Cancel();
  worker_.join();
  rapi_.Reset();
}

}  // namespace mirrodex
