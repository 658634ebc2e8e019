#include "desktop/shell/CDeviceScreenWnd.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "desktop/app/AppEvents.h"
#include "desktop/app/DeviceLink.h"
#include "desktop/app/FramePresenter.h"
#include "desktop/app/FrameStore.h"
#include "desktop/app/KeyTranslator.h"
#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"
#include "desktop/shell/StartupPicture.h"

namespace mirrodex {

CDeviceScreenWnd::CDeviceScreenWnd(app::DeviceLink& link, app::FrameStore& frames, QWidget* parent)
    : QWidget(parent),
      link_(link),
      frames_(frames),
      tracker_(link, [this] { return mapFromGlobal(QCursor::pos()); }, this),
      surface_(kInitialSize, app::kSurfaceFormat) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::CrossCursor);
  stageTimer_.setSingleShot(true);
  connect(&stageTimer_, &QTimer::timeout, this, [this] {
    stageText_.clear();
    update();
  });
  DrawIdlePicture();
  ApplySize();
}

void CDeviceScreenWnd::SetZoom(int zoom) {
  tracker_.SetZoom(zoom);
  ApplySize();
}

void CDeviceScreenWnd::SetPlatform(uint16_t platform) {
  platform_ = platform;
  tracker_.SetPlatform(platform);
}

void CDeviceScreenWnd::ApplySize() {
  const QSize size = surface_.size() * Zoom();
  setFixedSize(size);
  tracker_.SetClientSize(size);
  updateGeometry();
  update();
  if (onPictureSizeChanged) onPictureSizeChanged();
}

QSize CDeviceScreenWnd::sizeHint() const { return surface_.size() * Zoom(); }

void CDeviceScreenWnd::ShowStage(int stage) {
  if (stage == 0) {
    DrawIdlePicture();
    return;
  }
  stageText_ = StageText(stage);
  if (stageText_.isEmpty())
    stageTimer_.stop();
  else
    stageTimer_.start(kStageTextMs);
  update();
}

void CDeviceScreenWnd::DrawIdlePicture(bool waitingForDevice) {
  tracker_.Cancel();
  idleSince_ = frames_.Sequence();
  showsPicture_ = false;
  unpainted_ = false;
  stageText_.clear();
  stageTimer_.stop();
  mirrodex::DrawIdlePicture(surface_, LoadText(waitingForDevice ? text::kWaitingForDevice : text::kInstallHint));
  update();
}

void CDeviceScreenWnd::Present() {
  const QSize before = surface_.size();
  bool presented = false;
  frames_.Read([&](const app::Frame& frame) {
    if (frame.sequence <= idleSince_) return;
    presented = app::PresentFrame(frame, surface_);
    if (presented) {
      unpaintedCompletedAt_ = frame.completedAt;
      unpainted_ = true;
    }
  });
  if (!presented) return;
  showsPicture_ = true;
  if (!stageText_.isEmpty()) {
    stageText_.clear();
    stageTimer_.stop();
  }
  if (surface_.size() != before)
    ApplySize();
  else
    update();
}

bool CDeviceScreenWnd::event(QEvent* event) {
  if (event->type() == app::kFrameCompleteEvent) {
    Present();
    return true;
  }
  return QWidget::event(event);
}

void CDeviceScreenWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(QRect(QPoint(0, 0), surface_.size() * Zoom()), surface_);
  if (showsPicture_ && (platform_ == 4 || platform_ == 6)) {
    // The soft-key strip: a faint outline of the two halves that act as the phone's soft keys.
    const int strip = app::PointerMapper::kSoftKeyStrip * Zoom();
    p.setPen(QColor(255, 255, 255, 90));
    p.drawLine(0, height() - strip, width(), height() - strip);
    p.drawLine(width() / 2, height() - strip, width() / 2, height());
  }
  if (!stageText_.isEmpty()) {
    const QRect band(0, height() - 56, width(), 56);
    p.fillRect(band, QColor(15, 23, 42, 200));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(band.adjusted(10, 0, -10, 0), Qt::AlignCenter | Qt::TextWordWrap, stageText_);
  }
  if (unpainted_) {
    unpainted_ = false;
    if (onPicturePainted) onPicturePainted(std::chrono::steady_clock::now() - unpaintedCompletedAt_);
  }
}

void CDeviceScreenWnd::SetDragMode(bool on) {
  dragMode_ = on;
  if (on)
    setCursor(LoadDragCursor(DragCursor::kDragReady));
  else
    setCursor(Qt::CrossCursor);
}

void CDeviceScreenWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragMode_ && isWindow()) {
    setCursor(LoadDragCursor(DragCursor::kDragging));
    if (windowHandle()) windowHandle()->startSystemMove();
    return;
  }
  tracker_.Press(event->position().toPoint());
}

void CDeviceScreenWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other.
  mousePressEvent(event);
}

void CDeviceScreenWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragMode_ && isWindow()) {
    setCursor(LoadDragCursor(DragCursor::kDragReady));
    return;
  }
  tracker_.Release(event->position().toPoint());
}

void CDeviceScreenWnd::keyPressEvent(QKeyEvent* event) {
  for (const app::KeySend& send :
       app::KeyTranslator::Translate(event->key(), event->modifiers(), event->text(), platform_))
    link_.QueueKey(send.code, send.isVirtualKey);
}

void CDeviceScreenWnd::keyReleaseEvent(QKeyEvent*) {}

void CDeviceScreenWnd::contextMenuEvent(QContextMenuEvent* event) {
  if (onContextMenu) onContextMenu(event->globalPos());
}

}  // namespace mirrodex
