#include "desktop/shell/LockKeyPanes.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <X11/XKBlib.h>

namespace mirrodex {
namespace {

QLabel* MakePane(const QString& text, QWidget* parent) {
  auto* pane = new QLabel(text, parent);
  QFont font = pane->font();
  font.setPointSizeF(font.pointSizeF() * 0.8);
  font.setBold(true);
  pane->setFont(font);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
  pane->setEnabled(false);
  return pane;
}

}  // namespace

LockKeyPanes::LockKeyPanes(std::function<LockKeys()> source, QWidget* parent)
    : QWidget(parent), source_(source ? std::move(source) : &LockKeyPanes::ReadDisplayKeys) {
  setObjectName(QStringLiteral("LockKeyPanes"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  caps_ = MakePane(QStringLiteral("CAP"), this);
  num_ = MakePane(QStringLiteral("NUM"), this);
  scroll_ = MakePane(QStringLiteral("SCRL"), this);
  for (QLabel* pane : {caps_, num_, scroll_}) row->addWidget(pane);
  setToolTip(QStringLiteral("Caps Lock, Num Lock and Scroll Lock"));
  timer_.setInterval(kRefreshMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  timer_.start();
  Refresh();
}

void LockKeyPanes::SetSource(std::function<LockKeys()> source) {
  source_ = std::move(source);
  Refresh();
}

void LockKeyPanes::Refresh() {
  shown_ = source_();
  caps_->setEnabled(shown_.caps);
  num_->setEnabled(shown_.num);
  scroll_->setEnabled(shown_.scroll);
}

LockKeys LockKeyPanes::ReadDisplayKeys() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return {};
  static const Atom names[] = {XInternAtom(display, "Caps Lock", False), XInternAtom(display, "Num Lock", False),
                               XInternAtom(display, "Scroll Lock", False)};
  bool on[3] = {};
  for (int i = 0; i < 3; ++i) {
    Bool state = False;
    if (names[i] != None && XkbGetNamedIndicator(display, names[i], nullptr, &state, nullptr, nullptr))
      on[i] = state != False;
  }
  return {on[0], on[1], on[2]};
}

}  // namespace mirrodex
