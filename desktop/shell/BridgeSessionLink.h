// The desktop program's live connection with the sync bridge added: Start with a sync profile
// runs the bridge start on a worker thread and reports its stages and result to the frame as
// session events (kBridgeStage, kBridgeStartDone), so the window never waits for the device.
// Stopping or listening again first cuts a running start short, stops the sessions, and only
// then releases the agent streams (a session must never use a released stream).
// Threads: as DeviceLink; the start's worker calls the controller only to attach streams to
// sessions that the user-interface thread created before starting it.
// Ownership: owns the bridge hold (CRapiLink) and the worker; the worker ends before either
// the sessions or the bridge go.
#pragma once

#include <thread>

#include "desktop/app/SessionLink.h"
#include "desktop/shell/CRapiLink.h"
#include "desktop/shell/SyncStart.h"

namespace mirrodex {

class BridgeSessionLink : public app::SessionLink, private SyncStartTarget {
 public:
  // `libraryPath` as CRapiLink's.
  explicit BridgeSessionLink(SessionConfig config, std::string libraryPath = {});
  ~BridgeSessionLink() override;

  void Listen() override;
  void Stop() override;
  bool StartOverBridge(bool hostProgramOnly) override;
  // The bridge hold; read it only while no start runs.
  const CRapiLink& Rapi() const { return rapi_; }

 private:
  void OnSessionsStopped() override { rapi_.ReleaseStreams(); }
  void ShowStage(int stage) override;
  void AttachStream(int channel, IRAPIStream* stream) override;
  // Cuts a running start short and waits for its worker.
  void EndStart();

  CRapiLink rapi_;
  std::thread worker_;
};

}  // namespace mirrodex
