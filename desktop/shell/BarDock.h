// A tool bar that the user can move to another side of the frame or float in a window of its
// own, and whose placement is kept as six integers: left, top, visible, floating, width and
// height. Docked, left and top are frame coordinates; floating, screen coordinates. The side
// a docked bar goes back to follows from where it stood against the device picture.
// Threads: the user-interface thread.
// Ownership: the frame owns the dock; the dock owns the tool bar.
#pragma once

#include <QDockWidget>

class QMainWindow;
class QToolBar;

namespace mirrodex {

struct BarPlacement {
  int left = 0, top = 0;
  bool visible = true, floating = false;
  int width = 0, height = 0;
};

class BarDock : public QDockWidget {
 public:
  BarDock(QToolBar* bar, Qt::DockWidgetAreas areas, QMainWindow* frame);

  QToolBar* Bar() const { return bar_; }
  BarPlacement Placement() const;
  // Docks or floats the bar as `placement` says. `picture` is the device picture's area in
  // frame coordinates with every bar at the top, the reference for the docked side.
  void Restore(const BarPlacement& placement, const QRect& picture);

 protected:
  // A floating bar goes and comes back with the frame (Hide Window, Hide Frame).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowSide(Qt::DockWidgetArea area);

  QMainWindow* frame_;
  QToolBar* bar_;
  bool hiddenWithFrame_ = false;
};

}  // namespace mirrodex
