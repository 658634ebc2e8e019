// What the frame keeps from one run to the next and shows at start: the bars' placement
// through their six integers, Hide Frame, the window style with its options; and the lock
// key panes of the status bar and the meters' availability by device.
#include <QDockWidget>
#include <QLabel>
#include <QLayout>
#include <QToolTip>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include "desktop/shell/AppStyle.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/LockKeyPanes.h"
#include "desktop/shell/ResourceMeter.h"
#include "tests/shell/FrameRig.h"

using namespace mirrodex;
using test::FrameRig;

class FramePersistenceTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  static QDockWidget* Dock(CMainFrame& frame, const char* bar) {
    return frame.findChild<QDockWidget*>(QString::fromLatin1(bar) + "Dock");
  }
  static int Stored(FrameRig& rig, int bar, int n) {
    return rig.store.ReadInt("State", QString("%1%2").arg(bar).arg(n), -1);
  }

 private slots:
  void barsComeBackWhereTheyWereLeft() {
    FrameRig rig(dir_.path() + "/a");
    rig.Make();
    rig.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
    QDockWidget* main = Dock(*rig.frame, "MainToolBar");
    QDockWidget* resources = Dock(*rig.frame, "ResourcesBar");
    QVERIFY(main && resources);
    QCOMPARE(rig.frame->dockWidgetArea(main), Qt::TopDockWidgetArea);
    QVERIFY(!resources->isAreaAllowed(Qt::LeftDockWidgetArea));
    for (QDockWidget* dock : {main, resources}) {  // a bar at the top has its handle at its side
      QVERIFY(dock->features().testFlag(QDockWidget::DockWidgetVerticalTitleBar));
      QVERIFY(dock->titleBarWidget()->height() > dock->titleBarWidget()->width());
    }

    // The user floats the main bar, moves the resources bar to the bottom and hides it.
    rig.frame->addDockWidget(Qt::BottomDockWidgetArea, resources);
    main->setFloating(true);
    main->move(300, 200);
    rig.frame->layout()->activate();
    QVERIFY(rig.frame->Commands().Run(cmd::kResourceToolBar));
    QVERIFY(resources->isHidden());
    rig.frame->close();
    QCOMPARE(Stored(rig, 150, 105), 1);  // floating
    QCOMPARE(Stored(rig, 150, 102), 300);
    QCOMPARE(Stored(rig, 150, 103), 200);
    QVERIFY(Stored(rig, 150, 106) > 0 && Stored(rig, 150, 107) > 0);
    QCOMPARE(Stored(rig, 149, 104), 0);  // hidden
    QCOMPARE(Stored(rig, 149, 105), 0);
    QCOMPARE(Stored(rig, 128, 104), 1);  // the menu bar
    const QRect floated(Stored(rig, 150, 102), Stored(rig, 150, 103), Stored(rig, 150, 106), Stored(rig, 150, 107));

    rig.frame.reset();
    rig.Make();
    main = Dock(*rig.frame, "MainToolBar");
    resources = Dock(*rig.frame, "ResourcesBar");
    QVERIFY(main->isFloating());
    QCOMPARE(QRect(main->pos(), main->size()), floated);
    rig.frame->show();
    QVERIFY(main->isVisible());
    QVERIFY(rig.frame->Commands().Run(cmd::kHideWindow));  // a floating bar goes with the window
    QVERIFY(!main->isVisible());
    QVERIFY(rig.frame->Commands().Run(cmd::kHideWindow));
    QVERIFY(main->isVisible());
    QCOMPARE(rig.frame->dockWidgetArea(resources), Qt::BottomDockWidgetArea);
    QVERIFY(resources->isHidden());
    QVERIFY(!rig.Action(cmd::kResourceToolBar)->isChecked());

    // Docked again on the left: the bar stands upright and comes back there.
    QVERIFY(rig.frame->Commands().Run(cmd::kResourceToolBar));
    main->setFloating(false);
    rig.frame->addDockWidget(Qt::LeftDockWidgetArea, main);
    rig.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
    QCOMPARE(main->findChild<QToolBar*>()->orientation(), Qt::Vertical);
    rig.frame->close();
    QCOMPARE(Stored(rig, 150, 105), 0);
    rig.frame.reset();
    rig.Make();
    main = Dock(*rig.frame, "MainToolBar");
    QCOMPARE(rig.frame->dockWidgetArea(main), Qt::LeftDockWidgetArea);
    QCOMPARE(main->findChild<QToolBar*>()->orientation(), Qt::Vertical);
    QCOMPARE(rig.frame->dockWidgetArea(Dock(*rig.frame, "ResourcesBar")), Qt::BottomDockWidgetArea);
    QVERIFY(!Dock(*rig.frame, "ResourcesBar")->isHidden());
  }

  void hideFrameIsRestoredAtStart() {
    FrameRig rig(dir_.path() + "/b");
    rig.Make();
    rig.frame->ShowAsStored();
    QVERIFY(!rig.frame->Screen().isWindow());
    rig.Connect();
    QVERIFY(rig.frame->Commands().Run(cmd::kHideFrame));
    rig.frame->close();
    QCOMPARE(rig.store.GetInt(setting::kHideFrame), 1);

    rig.frame.reset();
    rig.prompter.Clear();
    rig.Make();
    rig.frame->ShowAsStored();
    QVERIFY(rig.frame->Screen().isWindow());
    QVERIFY(rig.frame->Screen().isVisible());
    QVERIFY(!rig.frame->isVisible());
    QVERIFY(rig.prompter.reminded.empty());  // the reminder is for the user's own choice only
    QVERIFY(rig.frame->Commands().Run(cmd::kAlwaysOnTop));  // the lone picture stays on top
    QVERIFY(rig.frame->Screen().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(rig.frame->Screen().isVisible());
    QVERIFY(rig.Action(cmd::kHideFrame)->isEnabled());  // the way back works without a device
    QVERIFY(rig.frame->Commands().Run(cmd::kHideFrame));
    QVERIFY(rig.frame->isVisible());
    rig.frame->close();
    QCOMPARE(rig.store.GetInt(setting::kHideFrame), 0);
  }

  void aChosenStyleIsStoredAndAppliedAtTheNextStart() {
    FrameRig rig(dir_.path() + "/c");
    ApplyAppStyle(ReadAppStyle(rig.store));  // the defaults
    const QColor before = QApplication::palette().color(QPalette::Highlight);
    QVERIFY(!QApplication::testAttribute(Qt::AA_DontShowIconsInMenus));
    rig.Make();
    QVERIFY(rig.frame->Commands().Run(cmd::kStyleIcy));
    QCOMPARE(rig.store.GetInt(setting::kWindowStyle), 6);
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), before);  // nothing changes now
    QVERIFY(rig.store.SetInt(setting::kStyleOption1, 0));
    QVERIFY(rig.store.SetInt(setting::kStyleOption2, 1));
    QVERIFY(rig.store.SetInt(setting::kStyleOption3, 0));
    rig.frame->close();
    rig.frame.reset();

    ApplyAppStyle(ReadAppStyle(rig.store));  // the next start
    QVERIFY(QApplication::palette().color(QPalette::Highlight) != before);
    QVERIFY(QApplication::testAttribute(Qt::AA_DontShowIconsInMenus));
    rig.Make();
    QToolBar* bar = rig.frame->findChild<QToolBar*>("MainToolBar");
    QCOMPARE(bar->iconSize(), QSize(BarIconSize(), BarIconSize()));
    QVERIFY(BarIconSize() > 20);
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), bar->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(bar->widgetForAction(rig.frame->Commands().Action(cmd::kStart)), &tip);
    QVERIFY(QToolTip::text().isEmpty());  // no tool tips on the bars
    QVERIFY(rig.frame->Commands().Run(cmd::kStyleOffice2003));
    ApplyAppStyle(ReadAppStyle(rig.store));
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), before);
    QVERIFY(rig.store.SetInt(setting::kStyleOption1, 1));
    QVERIFY(rig.store.SetInt(setting::kStyleOption2, 0));
    QVERIFY(rig.store.SetInt(setting::kStyleOption3, 1));
    ApplyAppStyle(ReadAppStyle(rig.store));
  }

  void lockKeyPanesFollowTheKeysAndMetersTheDevice() {
    FrameRig rig(dir_.path() + "/d");
    rig.Make();
    LockKeys keys;
    LockKeyPanes& panes = rig.frame->LockPanes();
    panes.SetSource([&keys] { return keys; });
    const QList<QLabel*> labels = panes.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 3);
    QCOMPARE(labels[0]->text() + labels[1]->text() + labels[2]->text(), QString("CAPNUMSCRL"));
    for (QLabel* label : labels) QVERIFY(!label->isEnabled());
    keys.caps = keys.scroll = true;
    QTRY_COMPARE(panes.Shown(), keys);  // picked up by the panes' own refresh
    QVERIFY(labels[0]->isEnabled());
    QVERIFY(!labels[1]->isEnabled());
    QVERIFY(labels[2]->isEnabled());
    keys = {false, true, false};
    panes.Refresh();
    QVERIFY(!labels[0]->isEnabled() && labels[1]->isEnabled() && !labels[2]->isEnabled());

    QVERIFY(!rig.frame->BatteryMeter().Available());
    rig.Connect(2);
    QVERIFY(rig.frame->BatteryMeter().Available() && rig.frame->MemoryMeter().Available());
    rig.link.connected = false;
    QCoreApplication::sendEvent(rig.frame.get(), new app::SessionEventEvent(app::kSessionLost, 6));
    QVERIFY(!rig.frame->BatteryMeter().Available());
    rig.Connect(1);  // a device that reports no status
    QVERIFY(!rig.frame->BatteryMeter().Available() && !rig.frame->MemoryMeter().Available());
  }
};

QTEST_MAIN(FramePersistenceTest)
#include "FramePersistenceTest.moc"
