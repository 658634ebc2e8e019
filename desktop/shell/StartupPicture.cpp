#include "desktop/shell/StartupPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include "desktop/resources/Icons.h"
#include "desktop/resources/StringTable.h"

namespace mirrodex {

void DrawIdlePicture(QImage& surface, const QString& text) {
  if (surface.isNull()) return;
  const int w = surface.width(), h = surface.height();
  QPainter p(&surface);
  QLinearGradient background(0, 0, 0, h);
  background.setColorAt(0, QColor(0xF8, 0xFA, 0xFC));
  background.setColorAt(1, QColor(0xE2, 0xE8, 0xF0));
  p.fillRect(surface.rect(), background);

  // The picture in the upper part, as wide as a third of the height allows.
  const int pictureHeight = std::max(16, std::min(h / 4, w * 48 / 50 / 2));
  const int pictureWidth = pictureHeight * 50 / 48;
  const QRect pictureRect((w - pictureWidth) / 2, h * 12 / 100, pictureWidth, pictureHeight);
  p.drawImage(pictureRect, RenderIdlePicture(pictureRect.size()));

  // The text below, in the largest bold size up to 16 pixels that fits.
  const int margin = std::max(6, w * 6 / 100);
  const QRect textRect(margin, pictureRect.bottom() + h * 5 / 100, w - 2 * margin,
                       h - pictureRect.bottom() - h * 5 / 100 - margin);
  QFont font(QStringLiteral("Sans Serif"));
  font.setBold(true);
  for (int pixels = 16; pixels >= 7; --pixels) {
    font.setPixelSize(pixels);
    p.setFont(font);
    const QRect needed = p.boundingRect(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    if (needed.height() <= textRect.height() && needed.width() <= textRect.width()) break;
  }
  p.setPen(QColor(0x33, 0x41, 0x55));
  p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
}

QString StageText(int stage) {
  switch (stage) {
    case 1: return LoadText(text::kStageInitializingActiveSync);
    case 2: return LoadText(text::kStageReadingDeviceInfo);
    case 3: return LoadText(text::kStageEstablishingConnection);
    case 4: return LoadText(text::kStageConnected);
    case 5: return LoadText(text::kStageInitializingConnection);
    default: return {};
  }
}

}  // namespace mirrodex
