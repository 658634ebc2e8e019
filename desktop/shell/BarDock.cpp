#include "desktop/shell/BarDock.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QToolBar>

namespace mirrodex {
namespace {

// The handle a bar is dragged by: a column (or row) of dots. It takes no mouse events, so a
// press on it starts the dock's own move.
class BarGrip : public QWidget {
 public:
  explicit BarGrip(QDockWidget* dock) : QWidget(dock), dock_(dock) { setCursor(Qt::SizeAllCursor); }
  QSize sizeHint() const override { return {10, 10}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::Mid));
    const bool column = dock_->features().testFlag(QDockWidget::DockWidgetVerticalTitleBar);
    const int length = column ? height() : width();
    for (int i = 6; i + 2 < length - 4; i += 5) {
      const QPointF at = column ? QPointF(width() / 2.0, i) : QPointF(i, height() / 2.0);
      p.drawEllipse(at, 1.2, 1.2);
    }
  }

 private:
  QDockWidget* dock_;
};

}  // namespace

BarDock::BarDock(QToolBar* bar, Qt::DockWidgetAreas areas, QMainWindow* frame)
    : QDockWidget(bar->windowTitle(), frame), frame_(frame), bar_(bar) {
  setObjectName(bar->objectName() + QStringLiteral("Dock"));
  setAllowedAreas(areas);
  setFeatures(DockWidgetMovable | DockWidgetFloatable | DockWidgetVerticalTitleBar);
  setTitleBarWidget(new BarGrip(this));
  bar->setMovable(false);
  bar->setFloatable(false);
  setWidget(bar);
  frame->installEventFilter(this);
  connect(this, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) { FollowSide(area); });
  connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) {
    if (floating) FollowSide(Qt::TopDockWidgetArea);
  });
}

void BarDock::FollowSide(Qt::DockWidgetArea area) {
  const bool upright = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
  bar_->setOrientation(upright ? Qt::Vertical : Qt::Horizontal);
  setFeatures(upright ? DockWidgetMovable | DockWidgetFloatable
                      : DockWidgetMovable | DockWidgetFloatable | DockWidgetVerticalTitleBar);
}

bool BarDock::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frame_ && isFloating()) {
    if (event->type() == QEvent::Hide && !isHidden()) {
      hiddenWithFrame_ = true;
      hide();
    } else if (event->type() == QEvent::Show && hiddenWithFrame_) {
      hiddenWithFrame_ = false;
      show();
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

BarPlacement BarDock::Placement() const {
  const QRect g = isFloating() ? QRect(pos(), size()) : geometry();
  return {g.left(), g.top(), !isHidden() || hiddenWithFrame_, isFloating(), g.width(), g.height()};
}

void BarDock::Restore(const BarPlacement& placement, const QRect& picture) {
  if (placement.floating && placement.width > 0 && placement.height > 0) {
    setFloating(true);
    QRect want(placement.left, placement.top, placement.width, placement.height);
    // A bar left on a screen that has gone comes back onto the primary one.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
      onScreen = onScreen || screen->availableGeometry().intersects(want.adjusted(0, 0, -want.width() / 2, 0));
    if (!onScreen && QGuiApplication::primaryScreen())
      want.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 40));
    setGeometry(want);
  } else if (placement.width > 0 && placement.height > 0) {
    Qt::DockWidgetArea area = Qt::TopDockWidgetArea;
    if (placement.width >= placement.height)
      area = placement.top > picture.top() ? Qt::BottomDockWidgetArea : Qt::TopDockWidgetArea;
    else
      area = placement.left > picture.center().x() ? Qt::RightDockWidgetArea : Qt::LeftDockWidgetArea;
    if (!isAreaAllowed(area)) area = area == Qt::RightDockWidgetArea ? Qt::BottomDockWidgetArea : Qt::TopDockWidgetArea;
    if (!isAreaAllowed(area)) area = Qt::TopDockWidgetArea;
    if (frame_->dockWidgetArea(this) != area || isFloating()) {
      setFloating(false);
      frame_->addDockWidget(area, this, area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea
                                            ? Qt::Horizontal
                                            : Qt::Vertical);
    }
    FollowSide(area);
  }
  setVisible(placement.visible);
}

}  // namespace mirrodex
