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
constexpr int kTextPixels = 10;
}

QSize ResourceMeter::sizeHint() const {
  QFont f = font();
  f.setPixelSize(kTextPixels);
  return {22 + 4 + QFontMetrics(f).horizontalAdvance(FormatText(formatId_, 100)) + 12, 22};
}

QString ResourceMeter::Text() const { return FormatText(formatId_, available_ ? percent_ : 0); }

void ResourceMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect area = rect().adjusted(2, 3, -2, -3);
  const int iconSide = area.height();
  if (!icon_.isNull()) {
    p.setOpacity(available_ ? 1.0 : 0.4);
    p.drawImage(QRect(area.left(), area.top(), iconSide, iconSide), icon_);
    p.setOpacity(1.0);
  }
  const QRectF bar(area.left() + iconSide + 4, area.top(), area.width() - iconSide - 4, area.height());
  QPainterPath outline;
  outline.addRoundedRect(bar, 4, 4);
  p.fillPath(outline, palette().color(QPalette::Base));
  if (available_ && percent_ > 0) {
    QRectF filled = bar;
    filled.setWidth(bar.width() * percent_ / 100.0);
    p.save();
    p.setClipPath(outline);
    QColor fill = colour_;
    fill.setAlpha(170);
    p.fillRect(filled, fill);
    p.restore();
  }
  p.setPen(palette().color(QPalette::Mid));
  p.drawPath(outline);
  QFont font = p.font();
  font.setPixelSize(kTextPixels);
  p.setFont(font);
  p.setPen(available_ ? palette().color(QPalette::Text) : palette().color(QPalette::Disabled, QPalette::Text));
  p.drawText(bar, Qt::AlignCenter, Text());
}

}  // namespace mirrodex
