#include "desktop/resources/Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "desktop/resources/ResourceInit.h"

namespace mirrodex {
namespace {

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::kStart: return "start";
    case Icon::kProfiles: return "profiles";
    case Icon::kFileManager: return "file_manager";
    case Icon::kDeviceApps: return "device_apps";
    case Icon::kScreenShot: return "screenshot";
    case Icon::kCaptureVideo: return "capture_video";
    case Icon::kHelp: return "help";
    case Icon::kStop: return "stop";
    case Icon::kCaptureVideoOn: return "capture_video_on";
    case Icon::kDeviceResources: return "device_resources";
    case Icon::kBattery: return "battery";
    case Icon::kMemory: return "memory";
    case Icon::kCopyToDevice: return "copy_to_device";
    case Icon::kCopyFromDevice: return "copy_from_device";
    case Icon::kZoom: return "zoom";
    case Icon::kAlwaysOnTop: return "always_on_top";
    case Icon::kPauseVideo: return "pause_video";
    case Icon::kHideFrame: return "hide_frame";
    case Icon::kProcess: return "process";
    case Icon::kKillProcess: return "kill_process";
    case Icon::kActivate: return "activate";
    case Icon::kApplication: return "mirrodex";
    case Icon::kTray: return "tray";
  }
  return "mirrodex";
}

QImage RenderSvg(const QString& path, QSize size, qreal ratio) {
  EnsureResources();
  const QSize pixels = (QSizeF(size) * ratio).toSize();
  QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
  painter.end();
  image.setDevicePixelRatio(ratio);
  return image;
}

}  // namespace

QString IconPath(Icon icon) {
  return QStringLiteral(":/mirrodex/icons/%1.svg").arg(QLatin1String(IconName(icon)));
}

QIcon LoadIcon(Icon icon) {
  EnsureResources();
  // Rendered through QSvgRenderer, so the icons never depend on an image format plugin.
  QIcon result;
  for (int side : {16, 20, 24, 32, 48, 64}) {
    result.addPixmap(QPixmap::fromImage(RenderSvg(IconPath(icon), QSize(side, side), 1.0)));
  }
  if (icon == Icon::kApplication) {
    result.addPixmap(QPixmap::fromImage(RenderSvg(IconPath(icon), QSize(256, 256), 1.0)));
  }
  return result;
}

QImage RenderIcon(Icon icon, QSize size, qreal devicePixelRatio) {
  return RenderSvg(IconPath(icon), size, devicePixelRatio);
}

QImage RenderIdlePicture(QSize size) {
  return RenderSvg(QStringLiteral(":/mirrodex/pictures/idle.svg"), size, 1.0);
}

QCursor LoadDragCursor(DragCursor which) {
  const QString path = which == DragCursor::kDragReady ? QStringLiteral(":/mirrodex/cursors/drag.svg")
                                                       : QStringLiteral(":/mirrodex/cursors/dragging.svg");
  // The hot spot is the centre of the four arrows.
  return QCursor(QPixmap::fromImage(RenderSvg(path, QSize(32, 32), 1.0)), 16, 16);
}

}  // namespace mirrodex
