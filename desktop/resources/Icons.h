// The program's pictures: one SVG set in the resource file (tool bar and menu buttons, the
// resources bar's meters, the tray, the application icon, the start-up picture, the drag
// cursors).
// Threads: the user-interface thread (QIcon, QPixmap and QCursor are GUI objects); a QGuiApplication
// must exist.
#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

namespace mirrodex {

enum class Icon {
  // The main tool bar, in button order (Start shows kStop while connected; Capture Video
  // shows kCaptureVideoOn while recording).
  kStart,
  kProfiles,  // the Start drop-down of profiles
  kFileManager,
  kDeviceApps,
  kScreenShot,
  kCaptureVideo,
  kHelp,
  kStop,
  kCaptureVideoOn,
  // The resources bar.
  kDeviceResources,
  kBattery,
  kMemory,
  // Menus and dialogs.
  kCopyToDevice,
  kCopyFromDevice,
  kZoom,
  kAlwaysOnTop,
  kPauseVideo,
  kHideFrame,
  kProcess,  // a process in the device applications tree (16 x 16)
  kKillProcess,
  kActivate,
  // The program.
  kApplication,
  kTray,
};

// The resource path of an icon (":/mirrodex/icons/<name>.svg").
QString IconPath(Icon icon);
QIcon LoadIcon(Icon icon);
// The icon drawn at exactly `size` device-independent pixels (tool bar buttons, meters).
QImage RenderIcon(Icon icon, QSize size, qreal devicePixelRatio = 1.0);

// The meters' bar colours: battery blue, memory red.
inline constexpr QRgb kBatteryMeterColor = 0xFF2563EB;
inline constexpr QRgb kMemoryMeterColor = 0xFFDC2626;

// The picture of the idle and start-up screens; its natural size is 50 x 48 and it is drawn
// stretched to the rectangle the screen window gives.
inline constexpr QSize kIdlePictureSize{50, 48};
QImage RenderIdlePicture(QSize size);

// Drag mode's cursors: kDragReady while drag mode is on, kDragging while the window moves.
enum class DragCursor { kDragReady, kDragging };
QCursor LoadDragCursor(DragCursor which);

}  // namespace mirrodex
