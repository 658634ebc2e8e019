// Window pixels to device pixels. The window shows each device pixel as zoom x zoom window
// pixels, so a window point maps to the device point by integer division (truncating toward
// zero). Inside-tests are made in window pixels against the window's own size, so the answer
// is the same at every zoom.
// Threads: any; a value type.
#pragma once

#include <QPoint>
#include <QSize>
#include <cstdint>

namespace mirrodex::app {

class PointerMapper {
 public:
  // Virtual keys of the two smartphone soft keys.
  static constexpr uint32_t kLeftSoftKey = 112;   // F1
  static constexpr uint32_t kRightSoftKey = 113;  // F2
  // Height of the soft-key strip at the bottom of the picture, in device pixels.
  static constexpr int kSoftKeyStrip = 20;

  explicit PointerMapper(int zoom = 1) { SetZoom(zoom); }
  // 1 or 2; anything else is taken as 1, so the zoom never divides by zero.
  void SetZoom(int zoom) { zoom_ = zoom == 2 ? 2 : 1; }
  int Zoom() const { return zoom_; }

  QPoint ToDevice(QPoint window) const { return {window.x() / zoom_, window.y() / zoom_}; }
  // The device point with negative coordinates raised to 0 (no upper clamp).
  static QPoint ClampedToDevice(QPoint device) { return {device.x() < 0 ? 0 : device.x(), device.y() < 0 ? 0 : device.y()}; }
  static bool IsInside(QPoint window, QSize client) {
    return window.x() >= 0 && window.y() >= 0 && window.x() < client.width() && window.y() < client.height();
  }
  // The smartphone soft key under a window point: 0 outside the strip at the bottom of the
  // client area, else F1 for the left half and F2 for the right half.
  uint32_t SoftKeyAt(QPoint window, QSize client) const;

 private:
  int zoom_ = 1;
};

}  // namespace mirrodex::app
