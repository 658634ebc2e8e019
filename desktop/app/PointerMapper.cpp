#include "desktop/app/PointerMapper.h"

namespace mirrodex::app {

uint32_t PointerMapper::SoftKeyAt(QPoint window, QSize client) const {
  if (!IsInside(window, client) || window.y() < client.height() - kSoftKeyStrip * zoom_) return 0;
  return window.x() > client.width() / 2 ? kRightSoftKey : kLeftSoftKey;
}

}  // namespace mirrodex::app
