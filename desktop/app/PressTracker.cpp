#include "desktop/app/PressTracker.h"

#include "desktop/app/DeviceLink.h"

namespace mirrodex::app {

PressTracker::PressTracker(DeviceLink& link, CursorSource cursor, QObject* parent)
    : QObject(parent), link_(link), cursor_(std::move(cursor)) {
  timer_.setInterval(kSamplePeriodMs);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Sample(); });
}

void PressTracker::Send(QPoint window, uint32_t action, bool clamp) {
  QPoint device = mapper_.ToDevice(window);
  if (clamp) device = PointerMapper::ClampedToDevice(device);
  link_.QueuePointer(static_cast<uint32_t>(device.x()), static_cast<uint32_t>(device.y()),
                     static_cast<PointerAction>(action));
}

void PressTracker::Press(QPoint window) {
  if (IsSmartphone() || !link_.IsConnected()) return;
  Send(window, static_cast<uint32_t>(PointerAction::kLeftDown), true);
  holding_ = true;
  timer_.start();
}

void PressTracker::Release(QPoint window) {
  timer_.stop();
  if (!link_.IsConnected()) {
    holding_ = false;
    return;
  }
  if (IsSmartphone()) {
    if (const uint32_t key = mapper_.SoftKeyAt(window, client_)) link_.QueueKey(key, true);
    return;
  }
  if (!holding_) return;
  holding_ = false;
  Send(window, static_cast<uint32_t>(PointerAction::kLeftUp), true);
}

void PressTracker::Sample() {
  if (!holding_ || !link_.IsConnected()) {
    Cancel();
    return;
  }
  const QPoint cursor = cursor_();
  if (PointerMapper::IsInside(cursor, client_)) {
    Send(cursor, static_cast<uint32_t>(PointerAction::kMove), false);
    return;
  }
  timer_.stop();
  holding_ = false;
  Send(cursor, static_cast<uint32_t>(PointerAction::kLeftUp), true);
}

void PressTracker::Cancel() {
  timer_.stop();
  holding_ = false;
}

}  // namespace mirrodex::app
