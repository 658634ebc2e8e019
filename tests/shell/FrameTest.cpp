// The main frame and the device screen window on the offscreen platform, against a scripted
// link: command routing and update handlers, starting and stopping, input rules, the lost
// connection, and the picture as painted.
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/app/AppEvents.h"
#include "desktop/app/FramePresenter.h"
#include "desktop/app/FrameStore.h"
#include "desktop/resources/StringTable.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "tests/app/ScriptedLink.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/shell/FrameRig.h"

using namespace mirrodex;
using test::SentKey;
using test::SentPointer;

class FrameTest : public QObject {
  Q_OBJECT

 private:
  using Rig = test::FrameRig;
  QTemporaryDir dir_;

  // A w x h picture with a distinct colour in every pixel.
  static app::Frame Picture(uint32_t w, uint32_t h) {
    app::Frame f;
    f.width = w;
    f.height = h;
    for (uint32_t i = 0; i < w * h; ++i) f.pixels.push_back(static_cast<uint16_t>((i * 2654435761u) >> 17));
    return f;
  }

 private slots:
  void updateHandlersFollowTheConnection() {
    Rig rig(dir_.path() + "/a");
    rig.Make();
    QCOMPARE(rig.link.listens, 1);  // listening from start-up
    QCOMPARE(rig.Action(cmd::kStart)->text(), QString("Start"));
    QVERIFY(!rig.Action(cmd::kStart)->isChecked());
    QVERIFY(!rig.Action(cmd::kCopyToDevice)->isEnabled());
    QVERIFY(!rig.Action(cmd::kPauseVideo)->isEnabled());
    QVERIFY(!rig.Action(cmd::kDeviceResources)->isEnabled());
    QVERIFY(!rig.Action(cmd::kStartDrag)->isEnabled());
    QVERIFY(!rig.frame->Commands().Run(cmd::kHideFrame));  // Hide Frame while disconnected does nothing
    QCOMPARE(rig.Action(cmd::kHideWindow)->text(), QString("Hide Window"));
    QCOMPARE(rig.Action(cmd::kPauseVideo)->text(), QString("Pause Video"));

    rig.Connect();
    QCOMPARE(rig.Action(cmd::kStart)->text(), QString("Stop"));
    QVERIFY(rig.Action(cmd::kStart)->isChecked());
    QVERIFY(rig.Action(cmd::kCopyFromDevice)->isEnabled());
    QVERIFY(rig.Action(cmd::kDeviceResources)->isEnabled());
    QVERIFY(rig.frame->Commands().Run(cmd::kPauseVideo));
    QCOMPARE(rig.Action(cmd::kPauseVideo)->text(), QString("Resume Video"));
    QCOMPARE(rig.link.pointers, (std::vector<SentPointer>{{0, 0, PointerAction::kTogglePause}}));

    rig.Connect(1);  // a device that reports no status
    QVERIFY(!rig.Action(cmd::kDeviceResources)->isEnabled());
  }

  void hidingTheWindowPausesOnceAndShowingDoesNotResume() {
    Rig rig(dir_.path() + "/b");
    rig.Make();
    rig.frame->show();
    rig.Connect();
    QVERIFY(rig.frame->Commands().Run(cmd::kHideWindow));
    QVERIFY(!rig.frame->isVisible());
    QCOMPARE(rig.Action(cmd::kHideWindow)->text(), QString("Show Window"));
    QVERIFY(rig.frame->Commands().Run(cmd::kHideWindow));
    QVERIFY(rig.frame->isVisible());
    QCOMPARE(rig.Action(cmd::kPauseVideo)->text(), QString("Resume Video"));
    QCOMPARE(rig.link.pointers.size(), size_t{1});
  }

  void zoomAlwaysOnTopAndStylesAreCheckedAndStored() {
    Rig rig(dir_.path() + "/c");
    rig.Make();
    QVERIFY(rig.frame->Commands().Run(cmd::kZoom));
    QVERIFY(rig.Action(cmd::kZoom)->isChecked());
    QCOMPARE(rig.frame->Screen().size(), CDeviceScreenWnd::kInitialSize * 2);
    QVERIFY(rig.frame->Commands().Run(cmd::kAlwaysOnTop));
    QVERIFY(rig.Action(cmd::kAlwaysOnTop)->isChecked());
    QCOMPARE(rig.store.GetInt(setting::kAlwaysOnTop), 1);
    QVERIFY(rig.frame->Commands().Run(cmd::kStyleIcy));
    QCOMPARE(rig.store.GetInt(setting::kWindowStyle), 6);
    QVERIFY(rig.Action(cmd::kStyleIcy)->isChecked());
    QVERIFY(!rig.Action(cmd::kStyleOffice2003)->isChecked());
    QCOMPARE(rig.messages.last(), LoadText(text::kStyleChangeNotice));
    rig.frame->close();
    QCOMPARE(rig.store.GetInt(setting::kZoom), 2);
    QCOMPARE(rig.link.stops, 1);
  }

  void startWakesTheDeviceRefusesASecondStartAndStopListensAgain() {
    Rig rig(dir_.path() + "/d");
    ConnectionProfile tcp;
    tcp.connType = kConnTypeTcpIp;
    QVERIFY(rig.store.WriteProfile("Empty", tcp));
    tcp.hostIp = "127.0.0.1";
    QVERIFY(rig.store.WriteProfile("Local", tcp));
    QVERIFY(rig.store.WriteProfile("Synced", ConnectionProfile{}));
    rig.Make();

    QVERIFY(rig.frame->SelectProfileByName("Empty"));
    rig.frame->OnStart();
    QCOMPARE(rig.messages.last(), LoadText(text::kNoIpAddress));
    QVERIFY(!rig.frame->StartRunning());

    QVERIFY(rig.frame->SelectProfileByName("Synced"));
    rig.frame->OnStart();
    QCOMPARE(rig.messages.last(), LoadText(text::kBridgeUnavailable));
    QVERIFY(!rig.frame->StartRunning());

    QVERIFY(rig.frame->SelectProfileByName("Local"));
    QCOMPARE(rig.frame->windowTitle(), QString("Mirrodex - Local"));
    QCOMPARE(rig.store.GetInt(setting::kCurrentProfile), 1);
    rig.frame->OnStart();
    QVERIFY(rig.frame->StartRunning());
    QVERIFY(!rig.Action(cmd::kStart)->isEnabled());
    rig.frame->OnStart();  // refused while the first waits
    QCOMPARE(rig.link.wakes, (std::vector<std::string>{"127.0.0.1"}));
    QCOMPARE(rig.link.profile, std::string("Local"));
    rig.Connect();
    QVERIFY(!rig.frame->StartRunning());
    QCOMPARE(rig.Action(cmd::kStart)->text(), QString("Stop"));

    QVERIFY(rig.frame->Commands().Run(cmd::kStart));  // Stop
    QCOMPARE(rig.link.listens, 2);
    QCOMPARE(rig.Action(cmd::kStart)->text(), QString("Start"));
    QVERIFY(!rig.frame->Screen().ShowsDevicePicture());
  }

  void theStoredProfileIsCurrentAtStartUnlessItsIndexIsPastTheList() {
    Rig rig(dir_.path() + "/m");
    ConnectionProfile phone;
    phone.platform = 6;
    QVERIFY(rig.store.WriteProfile("A", ConnectionProfile{}));
    QVERIFY(rig.store.WriteProfile("B", phone));
    QVERIFY(rig.store.SetInt(setting::kCurrentProfile, 1));
    rig.Make();
    QCOMPARE(rig.frame->windowTitle(), QString("Mirrodex - B"));
    QCOMPARE(rig.frame->Platform(), uint16_t{6});
    QCOMPARE(rig.link.profile, std::string("B"));
    rig.frame.reset();
    QVERIFY(rig.store.SetInt(setting::kCurrentProfile, 5));
    rig.Make();
    QCOMPARE(rig.frame->windowTitle(), QString("Mirrodex - <Default>"));
    QCOMPARE(rig.frame->Platform(), uint16_t{2});
  }

  void aStartWithoutAnswerEndsAfterTheTimeOutAndKeepsPainting() {
    Rig rig(dir_.path() + "/e");
    ConnectionProfile tcp;
    tcp.connType = kConnTypeTcpIp;
    tcp.hostIp = "127.0.0.1";
    QVERIFY(rig.store.WriteProfile("Local", tcp));
    rig.Make();
    rig.frame->SetStartWaitCapMs(50);
    rig.frame->OnStart();
    QVERIFY(rig.frame->StartRunning());
    QCOMPARE(rig.frame->Screen().StageTextShown(), LoadText(text::kStageInitializingConnection));
    QTRY_VERIFY(!rig.frame->StartRunning());
    QVERIFY(rig.frame->Screen().StageTextShown().isEmpty());
  }

  void aLostConnectionIsShownAsWaitingForTheDevice() {
    Rig rig(dir_.path() + "/f");
    rig.Make();
    rig.Connect();
    rig.frames.Publish(Picture(16, 8));
    rig.frame->Screen().Present();
    QVERIFY(rig.frame->Screen().ShowsDevicePicture());
    rig.link.connected = false;
    QCoreApplication::sendEvent(rig.frame.get(), new app::SessionEventEvent(app::kSessionLost, 6));
    QVERIFY(rig.frame->WaitingForDevice());
    QVERIFY(rig.frame->windowTitle().contains("waiting for the device"));
    QVERIFY(!rig.frame->Screen().ShowsDevicePicture());
    rig.frame->Screen().Present();  // the old picture is not shown again
    QVERIFY(!rig.frame->Screen().ShowsDevicePicture());
    rig.Connect();
    QVERIFY(!rig.frame->WaitingForDevice());
    QCOMPARE(rig.frame->windowTitle(), QString("Mirrodex - <Default>"));
  }

  void hideFrameShowsThePictureAloneWithTheReminderAndComesBack() {
    Rig rig(dir_.path() + "/k");
    rig.Make();
    rig.frame->show();
    rig.Connect();
    QVERIFY(rig.frame->Commands().Run(cmd::kHideFrame));
    QVERIFY(rig.frame->Screen().isWindow());
    QVERIFY(rig.frame->Screen().isVisible());
    QVERIFY(!rig.frame->isVisible());
    QCOMPARE(rig.prompter.reminded, (std::vector<std::pair<int, int>>{{text::kHideFrameHint, text::kInformation}}));
    QVERIFY(rig.Action(cmd::kStartDrag)->isEnabled());
    QVERIFY(rig.frame->Commands().Run(cmd::kStartDrag));
    QCOMPARE(rig.Action(cmd::kStartDrag)->text(), LoadText(text::kEndDrag));
    QVERIFY(rig.frame->Commands().Run(cmd::kHideFrame));
    QVERIFY(!rig.frame->Screen().isWindow());
    QVERIFY(rig.frame->isVisible());
    QCOMPARE(rig.Action(cmd::kStartDrag)->text(), QString("Start Drag"));
  }

  void thePictureIsPaintedPixelForPixelAtZoomOneAndDoubledAtZoomTwo() {
    Rig rig(dir_.path() + "/g");
    rig.Make();
    rig.Connect();
    const app::Frame picture = Picture(40, 30);
    rig.frames.Publish(picture);
    QCoreApplication::sendEvent(&rig.frame->Screen(), new QEvent(app::kFrameCompleteEvent));
    for (int zoom : {1, 2}) {
      if (zoom == 2) QVERIFY(rig.frame->Commands().Run(cmd::kZoom));
      const QImage shown = rig.frame->Screen().grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown.size(), QSize(40, 30) * zoom);
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
          QCOMPARE(shown.pixel(x, y) | 0xFF000000u, app::SurfacePixel(picture.pixels[(y / zoom) * 40 + x / zoom]));
    }
  }

  void smartphonesSendSoftKeysFromTheBottomStripOnly() {
    Rig rig(dir_.path() + "/h");
    rig.Make();
    rig.Connect(6);
    CDeviceScreenWnd& screen = rig.frame->Screen();
    QCOMPARE(screen.Platform(), uint16_t{6});
    QTest::mouseClick(&screen, Qt::LeftButton, {}, QPoint(20, 310));
    QTest::mouseClick(&screen, Qt::LeftButton, {}, QPoint(200, 305));
    QTest::mouseClick(&screen, Qt::LeftButton, {}, QPoint(200, 100));
    QCOMPARE(rig.link.keys, (std::vector<SentKey>{{112, true}, {113, true}}));
    QVERIFY(rig.link.pointers.empty());
  }

  void keysReachTheDeviceButAcceleratorsRunTheirCommands() {
    Rig rig(dir_.path() + "/i");
    rig.Make();
    rig.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
    rig.Connect();
    CDeviceScreenWnd& screen = rig.frame->Screen();
    screen.setFocus();
    QTest::keyClick(&screen, Qt::Key_A);
    QTest::keyClick(&screen, Qt::Key_Left);
    QTest::keyClick(&screen, Qt::Key_T, Qt::ControlModifier);  // Always On Top
    QTest::keyClick(&screen, Qt::Key_F6);                       // claimed, no command
    QCOMPARE(rig.link.keys, (std::vector<SentKey>{{'a', false}, {37, true}}));
    QVERIFY(rig.Action(cmd::kAlwaysOnTop)->isChecked());
  }

  void closingTheFrameWhileARequestWaitsEndsCleanly() {
    Rig rig(dir_.path() + "/l");
    rig.Make();
    rig.Connect();
    QVERIFY(rig.frame->Commands().Run(cmd::kCopyFromDevice));  // the scripted device never answers
    QVERIFY(rig.frame->Services().Busy());
    QVERIFY(!rig.Action(cmd::kCopyToDevice)->isEnabled());     // a second request is refused meanwhile
    rig.frame->close();
    rig.frame.reset();
    QTRY_COMPARE(rig.worker.Pending(), 0);
    QCoreApplication::processEvents();  // the answer's continuation finds no window and is dropped
    QVERIFY(rig.prompter.told.isEmpty());
  }

  void inputWhileDisconnectedIsDropped() {
    Rig rig(dir_.path() + "/j");
    rig.Make();
    CDeviceScreenWnd& screen = rig.frame->Screen();
    QTest::mouseClick(&screen, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClick(&screen, Qt::Key_A);
    QVERIFY(rig.link.pointers.empty());
    QVERIFY(rig.link.keys.empty());
  }
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
