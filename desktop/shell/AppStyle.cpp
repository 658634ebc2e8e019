#include "desktop/shell/AppStyle.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace mirrodex {

void ApplyAppStyle(int styleNumber) {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette palette = QApplication::style()->standardPalette();
  QColor window(0xF3, 0xF4, 0xF6), accent(0x25, 0x63, 0xEB);
  switch (styleNumber) {
    case 6:  // Icy
      window = QColor(0xEE, 0xF6, 0xFB);
      accent = QColor(0x08, 0x91, 0xB2);
      break;
    case 0:  // Re-Bars
    case 4:
      window = QColor(0xEC, 0xEE, 0xF2);
      accent = QColor(0x4F, 0x46, 0xE5);
      break;
    case 2:  // XP
    case 10:
      window = QColor(0xF1, 0xF0, 0xEA);
      accent = QColor(0x16, 0x6B, 0xC4);
      break;
    default:  // 8, Office 2003, the default
      break;
  }
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::Button, window.lighter(103));
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, accent);
  QApplication::setPalette(palette);
  qApp->setStyleSheet(QStringLiteral(
      "QToolBar { border: none; spacing: 2px; padding: 2px 4px; }"
      "QToolButton { border: 1px solid transparent; border-radius: 5px; padding: 3px; }"
      "QToolButton:hover { background: rgba(37,99,235,0.10); border-color: rgba(37,99,235,0.25); }"
      "QToolButton:checked { background: rgba(37,99,235,0.18); border-color: rgba(37,99,235,0.45); }"
      "QStatusBar { border-top: 1px solid rgba(0,0,0,0.08); }"
      "QStatusBar QLabel#FiguresPane { color: #475569; padding: 0 4px; }"));
}

}  // namespace mirrodex
