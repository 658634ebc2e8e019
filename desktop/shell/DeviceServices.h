// The clipboard and device status commands of the main frame: Copy To and Copy From Device
// Clipboard, and the periodic device status (every 20 s) for the resources bar's meters.
// Each command runs on the program's requesting thread with a fresh requester, so the window
// keeps painting while a request waits (up to 20 s); a command given while another of these
// still waits is refused, and a status tick while one waits is skipped.
// Results come back to the user-interface thread, which alone uses the system clipboard.
// Threads: the user-interface thread; the exchanges run on the runner's requesting thread.
// Ownership: the link and the runner are not owned and outlive this object; an answer that
// comes after this object is gone is dropped by the runner.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace mirrodex {
class DeviceRequestRunner;
namespace app {
class DeviceLink;
}

class DeviceServices : public QObject {
 public:
  static constexpr int kStatusPeriodMs = 20000;

  DeviceServices(app::DeviceLink& link, DeviceRequestRunner& runner, QObject* parent = nullptr);

  void CopyToDevice();
  void CopyFromDevice();
  // The Device Resources command: starts the status display when `allowed` (connected to a
  // device that reports its status) and it is not running, else stops it.
  void ToggleStatus(bool allowed);
  void StatusOff();
  bool StatusRunning() const { return statusTimer_.isActive(); }
  bool Busy() const { return busy_; }

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
  // Runs `job` unless another of these commands waits; its continuation clears the mark.
  template <typename Job>
  bool Start(Job job);

  app::DeviceLink& link_;
  DeviceRequestRunner& runner_;
  bool busy_ = false;
  QTimer statusTimer_;
};

}  // namespace mirrodex
