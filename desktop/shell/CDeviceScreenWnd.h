// The device screen window: shows the latest device picture at zoom 1 or 2 (each device pixel
// as a zoom x zoom square, never smoothed), the idle picture and the start-up progress texts,
// and turns the user's pointer and keys into device input. Input goes to the device only while
// it is connected; the frame's accelerators are commands and never reach it.
// Threads: the user-interface thread. Picture notices (event 0x7E9) are posted by the session
// bridge; the picture itself is pulled from the frame store when it is presented.
// Ownership: the link and the frame store are not owned and outlive the window; the surface
// (a 32-bit QImage of the device's size) is owned here.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

#include "desktop/app/PressTracker.h"

namespace mirrodex::app {
class DeviceLink;
class FrameStore;
}  // namespace mirrodex::app

namespace mirrodex {

class CDeviceScreenWnd : public QWidget {
 public:
  // Until the first device picture: the size of the idle picture (a common device screen).
  static constexpr QSize kInitialSize{240, 320};
  // How long a start-up progress text stays.
  static constexpr int kStageTextMs = 6000;

  CDeviceScreenWnd(app::DeviceLink& link, app::FrameStore& frames, QWidget* parent = nullptr);

  void SetZoom(int zoom);
  int Zoom() const { return tracker_.Mapper().Zoom(); }
  void SetPlatform(uint16_t platform);
  uint16_t Platform() const { return platform_; }

  // Stage 0 draws the idle picture; 1..5 show their progress text for a while; others
  // only end an earlier text.
  void ShowStage(int stage);
  // The idle picture with the connection hint, or with the waiting notice after a lost
  // connection. Pictures that were complete before are not shown again.
  void DrawIdlePicture(bool waitingForDevice = false);
  bool ShowsDevicePicture() const { return showsPicture_; }
  const QImage& Surface() const { return surface_; }
  QSize PictureSize() const { return surface_.size(); }
  const QString& StageTextShown() const { return stageText_; }

  // Called after the picture's size changed (the frame fits itself around it).
  std::function<void()> onPictureSizeChanged;
  // Called for a context-menu request at a global point.
  std::function<void(QPoint)> onContextMenu;
  // Called at each paint of a new device picture with the time since it was complete.
  std::function<void(std::chrono::steady_clock::duration)> onPicturePainted;

  // Drag mode: while the window stands alone (Hide Frame), a left-button drag moves it and no
  // pointer input reaches the device.
  void SetDragMode(bool on);
  bool DragMode() const { return dragMode_; }

  app::PressTracker& Tracker() { return tracker_; }
  // Presents the latest picture of the frame store (what event 0x7E9 does).
  void Present();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }  // Tab goes to the device

 private:
  void ApplySize();

  app::DeviceLink& link_;
  app::FrameStore& frames_;
  app::PressTracker tracker_;
  uint16_t platform_ = 2;
  bool dragMode_ = false;
  QImage surface_;
  bool showsPicture_ = false;
  uint64_t idleSince_ = 0;  // frame-store sequence at the last idle picture
  std::chrono::steady_clock::time_point unpaintedCompletedAt_{};
  bool unpainted_ = false;
  QString stageText_;
  QTimer stageTimer_;
};

}  // namespace mirrodex
