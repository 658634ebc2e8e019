// The left button on the device picture: press, the 200 ms sampling of the held pointer,
// release, and the release at the clamped point when the cursor leaves the window. On the
// smartphone platforms (4 and 6) the button sends nothing but the soft keys of the bottom
// strip. Nothing is sent while the device is not connected.
// Every test is made in window pixels against the window's size, and every point sent is
// the window point divided by the zoom, so the cursor leaves the window at the same place at
// zoom 1 and 2. A release is sent once per press: after the cursor has left, the button's
// release sends nothing more.
// Threads: the user-interface thread. Ownership: the link is not owned and must outlive this.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "desktop/app/PointerMapper.h"

namespace mirrodex::app {

class DeviceLink;

class PressTracker : public QObject {
 public:
  static constexpr int kSamplePeriodMs = 200;
  // The cursor's position in window pixels, read at each sampling tick.
  using CursorSource = std::function<QPoint()>;

  PressTracker(DeviceLink& link, CursorSource cursor, QObject* parent = nullptr);

  void SetPlatform(uint16_t platform) { platform_ = platform; }
  void SetZoom(int zoom) { mapper_.SetZoom(zoom); }
  // The window's client size in window pixels.
  void SetClientSize(QSize size) { client_ = size; }
  const PointerMapper& Mapper() const { return mapper_; }

  void Press(QPoint window);
  void Release(QPoint window);
  // One sampling tick (the timer calls it; tests may too).
  void Sample();
  // Forgets a held press without sending (the connection went away).
  void Cancel();
  bool Holding() const { return holding_; }

 private:
  bool IsSmartphone() const { return platform_ == 4 || platform_ == 6; }
  void Send(QPoint window, uint32_t action, bool clamp);

  DeviceLink& link_;
  CursorSource cursor_;
  PointerMapper mapper_;
  QSize client_;
  uint16_t platform_ = 2;
  bool holding_ = false;
  QTimer timer_;
};

}  // namespace mirrodex::app
