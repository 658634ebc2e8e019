#include "desktop/files/explorer/ButtonSplitter.h"

#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/files/explorer/ExplorerIcons.h"
#include "desktop/files/explorer/ExplorerTexts.h"

namespace mirrodex {
namespace {

QToolButton* BarButton(QWidget* parent, const QString& text, const char* tip, const char* name) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setObjectName(name);
  button->setFixedSize(45, 25);
  button->setCursor(Qt::ArrowCursor);
  return button;
}

}  // namespace

ButtonSplitterHandle::ButtonSplitterHandle(QSplitter* parent)
    : QSplitterHandle(Qt::Horizontal, parent) {
  toDevice_ = BarButton(this, ">>", explorer_text::kCopyToDeviceTip, "copyToDeviceButton");
  fromDevice_ = BarButton(this, "<<", explorer_text::kCopyFromDeviceTip, "copyFromDeviceButton");
  refresh_ = BarButton(this, QString(), explorer_text::kRefreshTip, "refreshButton");
  refresh_->setIcon(ExplorerIcon(ExplorerIconKind::kRefresh));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addStretch(1);
  layout->addWidget(toDevice_, 0, Qt::AlignHCenter);
  layout->addSpacing(4);
  layout->addWidget(fromDevice_, 0, Qt::AlignHCenter);
  layout->addSpacing(20);
  layout->addWidget(refresh_, 0, Qt::AlignHCenter);
  layout->addStretch(1);
}

void ButtonSplitterHandle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().mid().color());
  painter.drawLine(0, 0, 0, height());
  painter.drawLine(width() - 1, 0, width() - 1, height());
}

ButtonSplitter::ButtonSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
  setHandleWidth(kBarWidth);
  setChildrenCollapsible(false);
}

ButtonSplitterHandle* ButtonSplitter::Bar() const {
  return count() > 1 ? static_cast<ButtonSplitterHandle*>(handle(1)) : nullptr;
}

QSplitterHandle* ButtonSplitter::createHandle() {
  return new ButtonSplitterHandle(this);
}

}  // namespace mirrodex
