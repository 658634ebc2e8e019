#include "desktop/shell/ResourceMeter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "desktop/resources/StringTable.h"

namespace mirrodex {

ResourceMeter::ResourceMeter(int formatId, QImage icon, QColor colour, QWidget* parent)
    : QWidget(parent), formatId_(formatId), icon_(std::move(icon)), colour_(colour) {
  setMinimumWidth(95);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setToolTip(Text());
}

void ResourceMeter::SetAvailable(bool available) {
  available_ = available;
  if (!available) percent_ = 0;
  setToolTip(Text());
  update();
}

void ResourceMeter::SetPercent(int percent) {
  percent_ = std::clamp(percent, 0, 100);
  setToolTip(Text());
  update();
}

namespace {
constexpr int kTextPixels = 9;
constexpr int kIconSide = 14;
}

QSize ResourceMeter::sizeHint() const {
  QFont f = font();
  f.setPixelSize(kTextPixels);
  // The icon sits inside the bar's left end; the text is centred in the rest.
  return {std::max(95, 4 + kIconSide + 4 + QFontMetrics(f).horizontalAdvance(FormatText(formatId_, 100)) + 8), 22};
}

QString ResourceMeter::Text() const { return FormatText(formatId_, available_ ? percent_ : 0); }

void ResourceMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF bar = QRectF(rect()).adjusted(1.5, 3.5, -1.5, -3.5);
  QPainterPath outline;
  outline.addRoundedRect(bar, 5, 5);
  p.fillPath(outline, palette().color(QPalette::Base));
  if (available_ && percent_ > 0) {
    QRectF filled = bar;
    filled.setWidth(bar.width() * percent_ / 100.0);
    p.save();
    p.setClipPath(outline);
    QColor fill = colour_;
    fill.setAlpha(150);
    p.fillRect(filled, fill);
    p.restore();
  }
  p.setPen(palette().color(QPalette::Mid));
  p.drawPath(outline);
  const QRectF iconRect(bar.left() + 4, bar.center().y() - kIconSide / 2.0, kIconSide, kIconSide);
  if (!icon_.isNull()) {
    p.setOpacity(available_ ? 1.0 : 0.4);
    p.drawImage(iconRect, icon_);
    p.setOpacity(1.0);
  }
  QFont font = p.font();
  font.setPixelSize(kTextPixels);
  p.setFont(font);
  p.setPen(available_ ? palette().color(QPalette::Text) : palette().color(QPalette::Disabled, QPalette::Text));
  p.drawText(bar.adjusted(iconRect.right() - bar.left() + 2, 0, -4, 0), Qt::AlignCenter, Text());
}

}  // namespace mirrodex
