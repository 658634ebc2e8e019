// Starting through the sync bridge with scripted start results: the unreachable bridge, an
// agent that did not start, the question of another device type and its retry, and keeping
// the device type that connected.
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/resources/StringTable.h"
#include "tests/shell/FrameRig.h"

using namespace mirrodex;
using test::FrameRig;

class BridgeStartTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  // A frame whose current profile goes through the bridge with device type `platform`.
  static void MakeWithProfile(FrameRig& rig, int platform) {
    ConnectionProfile synced;
    synced.connType = kConnTypeActiveSync;
    synced.platform = platform;
    QVERIFY(rig.store.WriteProfile("Synced", synced));
    rig.Make();
    rig.frame->SetStartWaitCapMs(50);
    QVERIFY(rig.frame->SelectProfileByName("Synced"));
  }

 private slots:
  void anUnreachableBridgeShowsItsHintAndAsksNothing() {
    FrameRig rig(dir_.path() + "/a");
    MakeWithProfile(rig, 5);
    rig.frame->OnStart();
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kBridgeUnavailable)});
    QVERIFY(rig.prompter.asked.isEmpty());
    QVERIFY(!rig.frame->StartRunning());
    QCOMPARE(rig.bridge.runs, std::vector<bool>{false});  // code 5 invokes the agent's streams
  }

  void aPhoneThatDoesNotConnectIsRetriedAsPocketPcAndTheWorkingTypeIsSaved() {
    FrameRig rig(dir_.path() + "/b");
    MakeWithProfile(rig, 4);
    rig.bridge.results = {0, 0};
    rig.prompter.answers = {true, true};
    rig.frame->OnStart();
    QVERIFY(rig.frame->StartRunning());
    rig.frame->OnStart();  // refused while the first waits
    QCOMPARE(rig.bridge.runs.size(), size_t{1});
    // No device within the time-out: the question, then the retry with code 5.
    QTRY_COMPARE(rig.bridge.runs, (std::vector<bool>{true, false}));
    QCOMPARE(rig.prompter.asked, QStringList{LoadText(text::kAlternateMethodQuestion)});
    QCOMPARE(rig.frame->Platform(), uint16_t{5});
    QVERIFY(rig.frame->StartRunning());
    QCOMPARE(rig.store.ReadProfile("Synced", 2).platform, 4);  // nothing saved before it works
    rig.Connect(5);
    QCOMPARE(rig.prompter.asked.last(), LoadText(text::kSaveSettingQuestion));
    QCOMPARE(rig.store.ReadProfile("Synced", 2).platform, 5);
    QVERIFY(!rig.frame->StartRunning());
  }

  void aRetryThatFailsAgainAsksNoMoreAndTheNextStartReadsTheProfileAgain() {
    FrameRig rig(dir_.path() + "/c");
    MakeWithProfile(rig, 3);
    rig.bridge.results = {0, 0, 0};
    rig.prompter.answers = {true};
    rig.frame->OnStart();
    QTRY_COMPARE(rig.bridge.runs.size(), size_t{2});
    QCOMPARE(rig.frame->Platform(), uint16_t{6});  // every code but the phones' becomes 6
    QTRY_VERIFY(!rig.frame->StartRunning());
    QCOMPARE(rig.prompter.asked.size(), 1);
    QCOMPARE(rig.store.ReadProfile("Synced", 2).platform, 3);
    rig.frame->OnStart();
    QCOMPARE(rig.frame->Platform(), uint16_t{3});
    QTRY_VERIFY(!rig.frame->StartRunning());
  }

  void anAgentThatDidNotStartListensAgainAndAsksAtOnce() {
    FrameRig rig(dir_.path() + "/d");
    MakeWithProfile(rig, 5);
    rig.bridge.results = {-3};
    const int listensBefore = rig.link.listens;
    rig.frame->OnStart();  // answered No: the start ends without a retry
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kCommunicationFailed)});
    QCOMPARE(rig.prompter.asked, QStringList{LoadText(text::kAlternateMethodQuestion)});
    QCOMPARE(rig.link.listens, listensBefore + 1);
    QVERIFY(!rig.frame->StartRunning());
    QCoreApplication::processEvents();
    QCOMPARE(rig.bridge.runs.size(), size_t{1});
  }

  void devicesThatConnectByThemselvesAndFirstTimeSuccessAskNothing() {
    FrameRig rig(dir_.path() + "/e");
    MakeWithProfile(rig, 1);
    rig.bridge.results = {0};
    rig.frame->OnStart();
    QTRY_VERIFY(!rig.frame->StartRunning());
    QVERIFY(rig.prompter.asked.isEmpty());

    FrameRig second(dir_.path() + "/f");
    MakeWithProfile(second, 5);
    second.bridge.results = {1};
    second.frame->OnStart();
    second.Connect(5);
    QVERIFY(second.prompter.asked.isEmpty());
    QVERIFY(!second.frame->StartRunning());
  }

  void aDeclinedSaveKeepsTheProfile() {
    FrameRig rig(dir_.path() + "/g");
    MakeWithProfile(rig, 6);
    rig.bridge.results = {0, 0};
    rig.prompter.answers = {true, false};
    rig.frame->OnStart();
    QTRY_COMPARE(rig.bridge.runs.size(), size_t{2});
    rig.Connect(5);
    QCOMPARE(rig.prompter.asked.size(), 2);
    QCOMPARE(rig.store.ReadProfile("Synced", 2).platform, 6);
  }
};

QTEST_MAIN(BridgeStartTest)
#include "BridgeStartTest.moc"
