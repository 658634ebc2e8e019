// The screen session: connects to the desktop's screen port, sends the DeviceInfo, takes the
// desktop's settings, then sends one encoded field per frame step. Between steps it runs
// every queued command (input, requests, the pause toggle).
// Threads and ownership as CScheduler. The capture object is not owned; BindCapture while
// the session does not run.
#pragma once

#include <atomic>
#include <cstdint>

#include "agent/capture/CScreenCap.h"
#include "agent/session/CScheduler.h"
#include "protocol/DeviceInfo.h"

namespace mirrodex {

class CSender final : public CScheduler {
 public:
  enum : uint32_t { kStateFrame = 2 };

  explicit CSender(const SessionTiming& timing = {}, uint16_t port = kAgentScreenPort);

  void BindCapture(CScreenCap* capture) { capture_ = capture; }
  // The platform code reported in the DeviceInfo.
  void SetPlatform(uint8_t platform) { platform_ = platform; }
  // The record sent at connect, from the capture state.
  DeviceInfo BuildDeviceInfo() const;
  bool IsPaused() const { return paused_; }

  bool Step() override;

 private:
  bool Prepare() override;
  uint32_t StartPeriod() const override;
  void Open();
  void Frame();
  void RunCommands();
  bool Finish();

  CScreenCap* capture_ = nullptr;
  uint8_t platform_ = 2;
  std::atomic<bool> paused_{false};
};

}  // namespace mirrodex
