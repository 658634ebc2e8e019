#include "desktop/shell/AppStyle.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QToolBar>

#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {
namespace {

constexpr int kSmallBarIcons = 20;
constexpr int kLargeBarIcons = 28;

bool largeBarButtons = false;

// Fusion with the bar buttons' size of the choice.
class MirrodexStyle : public QProxyStyle {
 public:
  MirrodexStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_ToolBarIconSize) return BarIconSize();
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

// Swallows the tool tips of everything on a tool bar when the choice turns them off.
class BarToolTipFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    for (auto* w = static_cast<QWidget*>(watched); w; w = w->parentWidget())
      if (qobject_cast<QToolBar*>(w)) return true;
    return false;
  }
};

}  // namespace

AppStyleChoice ReadAppStyle(const CSettingsStore& store) {
  return {store.GetInt(setting::kWindowStyle), store.GetInt(setting::kStyleOption1) != 0,
          store.GetInt(setting::kStyleOption2) != 0, store.GetInt(setting::kStyleOption3) != 0};
}

int BarIconSize() { return largeBarButtons ? kLargeBarIcons : kSmallBarIcons; }

void ApplyAppStyle(const AppStyleChoice& choice) {
  largeBarButtons = choice.largeBarButtons;
  QApplication::setStyle(new MirrodexStyle);
  QApplication::setAttribute(Qt::AA_DontShowIconsInMenus, !choice.menuIcons);
  static QPointer<BarToolTipFilter> filter;
  if (!choice.barToolTips && !filter) {
    filter = new BarToolTipFilter(qApp);
    qApp->installEventFilter(filter);
  } else if (choice.barToolTips && filter) {
    delete filter;
  }

  QPalette palette = QApplication::style()->standardPalette();
  QColor window(0xF3, 0xF4, 0xF6), accent(0x25, 0x63, 0xEB);
  switch (choice.style) {
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
  const QString rgb = QStringLiteral("%1,%2,%3").arg(accent.red()).arg(accent.green()).arg(accent.blue());
  qApp->setStyleSheet(QStringLiteral(
      "QToolBar { border: none; spacing: 2px; padding: 2px 4px; }"
      "QToolButton { border: 1px solid transparent; border-radius: 5px; padding: 3px; }"
      "QToolButton:hover { background: rgba(%1,0.10); border-color: rgba(%1,0.25); }"
      "QToolButton:checked { background: rgba(%1,0.18); border-color: rgba(%1,0.45); }"
      "QMainWindow::separator { width: 1px; height: 1px; background: rgba(0,0,0,0.07); }"
      "QStatusBar { border-top: 1px solid rgba(0,0,0,0.08); }"
      "QStatusBar::item { border: none; }"
      "QStatusBar QLabel#FiguresPane { color: #475569; padding: 0 4px; }"
      "QWidget#LockKeyPanes QLabel { padding: 0 3px; border-left: 1px solid rgba(0,0,0,0.10); }"
      "QWidget#LockKeyPanes QLabel:disabled { color: rgba(0,0,0,0.28); }").arg(rgb));
}

}  // namespace mirrodex
