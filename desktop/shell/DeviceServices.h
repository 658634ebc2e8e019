// The clipboard and device status commands of the main frame: Copy To and Copy From Device
// Clipboard, and the periodic device status (every 20 s) for the resources bar's meters.
// Each command makes a fresh requester on the request worker, so the window keeps painting
// while a request waits (up to 20 s); a command given while another still waits is refused.
// Results come back to the user-interface thread, which alone uses the system clipboard.
// Threads: the user-interface thread; the exchanges run on the request worker.
// Ownership: the link and the dispatcher are not owned and outlive this object; the
// destructor waits for a running exchange (which ends at once once the link has stopped).
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <limits>

#include "desktop/app/RequestWorker.h"

namespace mirrodex {
class ReplyDispatcher;
namespace app {
class DeviceLink;
}

class DeviceServices : public QObject {
 public:
  static constexpr int kStatusPeriodMs = 20000;

  DeviceServices(app::DeviceLink& link, ReplyDispatcher& dispatcher, QObject* parent = nullptr);
  ~DeviceServices() override;

  void CopyToDevice();
  void CopyFromDevice();
  // The Device Resources command: starts the status display when `allowed` (connected to a
  // device that reports its status) and it is not running, else stops it.
  void ToggleStatus(bool allowed);
  void StatusOff();
  bool StatusRunning() const { return statusTimer_.isActive(); }
  bool Busy() const { return worker_.Busy(); }
  // Shortens every request's timeout (tests).
  void SetTimeoutCapMs(uint32_t cap) { timeoutCapMs_ = cap; }

  // The meters: availability, then memory and battery percentages.
  std::function<void(bool)> onStatusAvailable;
  std::function<void(uint32_t memory, uint32_t battery)> onStatus;
  // A message for the user (a message box in the program).
  std::function<void(const QString&)> onMessage;
  // A command finished (tests wait for it).
  std::function<void()> onDone;

 private:
  void RefreshStatus();
  void Message(int textId);
  void Finished();

  app::DeviceLink& link_;
  ReplyDispatcher& dispatcher_;
  uint32_t timeoutCapMs_ = std::numeric_limits<uint32_t>::max();
  QTimer statusTimer_;
  app::RequestWorker worker_;  // last: ends before the rest goes
};

}  // namespace mirrodex
