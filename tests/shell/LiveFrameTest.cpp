// The main frame over the real sessions on loopback with the test agent: the device picture
// in the window, a click reaching the device, the clipboard both ways, the meters, and the
// agent leaving and coming back.
#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <mutex>
#include <thread>

#include "desktop/app/FramePresenter.h"
#include "desktop/app/SessionLink.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/media/FourCc.h"
#include "desktop/shell/CaptureControl.h"
#include "desktop/shell/CommandIds.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/DeviceServices.h"
#include "desktop/shell/ResourceMeter.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "protocol/CommandWords.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/media/MovieProbe.h"
#include "tests/shell/ScriptedAsker.h"
#include "tests/support/TestAgent.h"

using namespace mirrodex;

namespace {

// Answers the desktop's requests on its own thread and records the command words it gets.
class AnsweringAgent {
 public:
  explicit AnsweringAgent(test::TestAgent& agent) : agent_(agent), thread_([this] { Loop(); }) {}
  ~AnsweringAgent() {
    stop_ = true;
    thread_.join();
  }
  std::vector<DecodedCommand> Commands() {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  std::u16string SetText() {
    std::lock_guard lock(mutex_);
    return setText_;
  }

 private:
  void Loop() {
    while (!stop_) {
      auto m = agent_.ReadCommandMessage(100);
      if (!m) continue;
      if (m->header.word0 == 0xE0000000u) {
        std::lock_guard lock(mutex_);
        commands_.push_back(DecodeCommand(m->header.word1));
        continue;
      }
      if (m->payload.size() < 4 || LoadU32(m->payload.data()) >> 26 != kRequestWordBase >> 26) continue;
      const uint32_t code = RequestCodeOf(LoadU32(m->payload.data()));
      std::vector<uint8_t> reply(4);
      StoreU32(reply.data(), StatusWord(FindRequestSpec(code)->replyCode, 0));
      if (code == kRequestGetClipboard) {
        for (char16_t c : std::u16string(u"from the device")) reply.push_back(c & 0xFF), reply.push_back(c >> 8);
      } else if (code == kRequestSetClipboard) {
        std::lock_guard lock(mutex_);
        setText_.clear();
        for (size_t i = 4; i + 1 < m->payload.size(); i += 2) {
          const char16_t c = static_cast<char16_t>(m->payload[i] | m->payload[i + 1] << 8);
          if (c == 0) break;
          setText_ += c;
        }
      } else if (code == kRequestStatus) {
        const uint32_t values[5] = {42, 1000, 2000, 87, 255};
        for (uint32_t v : values) reply.resize(reply.size() + 4), StoreU32(reply.data() + reply.size() - 4, v);
      }
      agent_.SendReply(reply);
    }
  }

  test::TestAgent& agent_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<DecodedCommand> commands_;
  std::u16string setText_;
  std::thread thread_;
};

// The frame over the real sessions, shown; closed and detached from the sessions at the end.
struct LiveRig {
  LiveRig() {
    link.Bridge().SetTargets(&frame, &frame.Screen());
    frame.show();
  }
  ~LiveRig() {
    frame.close();
    link.Bridge().SetTargets(nullptr, nullptr);
  }
  QTemporaryDir dir;
  CSettingsStore store{dir.path() + "/Mirrodex.conf"};
  app::SessionLink link{SessionConfig{}};
  RequestWorker worker{link.Dispatcher(), [this](uint32_t code, std::span<const uint8_t> payload) {
                         return link.QueueRequest(code, payload);
                       }, 2000};
  test::ScriptedPrompter prompter;
  CMainFrame frame{{store, link, worker, prompter, link.Frames(), [this] { return link.Bridge().TakeCounters(); }, 2, {}, {}}};
};

}  // namespace

class LiveFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void theFrameShowsWorksAndAwaitsTheDevice() {
    LiveRig rig;
    test::ScriptedPrompter& prompter = rig.prompter;
    CMainFrame& frame = rig.frame;
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    {
      test::TestAgent agent(64, 48);
      QVERIFY(agent.Connect());
      QTRY_COMPARE(frame.Commands().Action(cmd::kStart)->text(), QString("Stop"));
      const auto pixels = agent.Pattern(7);
      QVERIFY(agent.SendPicture(pixels) > 0);
      QTRY_VERIFY(frame.Screen().ShowsDevicePicture());
      const auto expected = agent.Expected(pixels);
      const QImage shown = frame.Screen().grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown.size(), QSize(64, 48));
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) QCOMPARE(shown.pixel(x, y) | 0xFF000000u, app::SurfacePixel(expected[y * 64 + x]));

      AnsweringAgent answering(agent);
      QTest::mouseClick(&frame.Screen(), Qt::LeftButton, {}, QPoint(21, 13));
      QTRY_COMPARE(answering.Commands().size(), size_t{2});
      QCOMPARE(answering.Commands()[0].x, 21u);
      QCOMPARE(answering.Commands()[0].y, 13u);
      QCOMPARE(answering.Commands()[0].action, PointerAction::kLeftDown);
      QCOMPARE(answering.Commands()[1].action, PointerAction::kLeftUp);

      QGuiApplication::clipboard()->setText("to the device");
      QVERIFY(frame.Commands().Run(cmd::kCopyToDevice));
      QTRY_VERIFY(!frame.Services().Busy());
      QCOMPARE(answering.SetText(), std::u16string(u"to the device"));
      QVERIFY(frame.Commands().Run(cmd::kCopyFromDevice));
      QTRY_COMPARE(QGuiApplication::clipboard()->text(), QString("from the device"));

      QVERIFY(frame.Commands().Run(cmd::kDeviceResources));
      QTRY_COMPARE(frame.MemoryMeter().Percent(), 42);
      QCOMPARE(frame.BatteryMeter().Percent(), 87);
      QCOMPARE(frame.BatteryMeter().Text(), QString("Main Battery 87%"));
      QVERIFY(prompter.told.isEmpty());
      QTRY_VERIFY(!frame.Services().Busy());
    }  // the agent goes away

    QTRY_VERIFY(frame.WaitingForDevice());
    QVERIFY(!frame.Screen().ShowsDevicePicture());
    QVERIFY(!frame.BatteryMeter().Available());
    QCOMPARE(frame.Commands().Action(cmd::kStart)->text(), QString("Start"));

    test::TestAgent again(64, 48);  // the sessions listen again by themselves
    QVERIFY(again.Connect());
    QVERIFY(again.SendPicture(again.Pattern(9)) > 0);
    QTRY_VERIFY(frame.Screen().ShowsDevicePicture());
    QVERIFY(!frame.WaitingForDevice());
  }

  void aCaptureOfTheLiveDevicePlaysForItsLength() {
    LiveRig rig;
    test::ScriptedPrompter& prompter = rig.prompter;
    CMainFrame& frame = rig.frame;
    test::ScriptedAsker asker;
    frame.Capture().SetAsker(asker);
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    test::TestAgent agent(64, 48);
    QVERIFY(agent.Connect());
    QVERIFY(agent.SendPicture(agent.Pattern(3)) > 0);
    QTRY_VERIFY(frame.Screen().ShowsDevicePicture());
    const QString path = rig.dir.path() + "/live.avi";
    asker.answer = test::ScriptedAsker::Movie(path, MovieType::kAvi, FourCcLowFirst("MP42"));
    QVERIFY(frame.Commands().Run(cmd::kCaptureVideo));
    QVERIFY(frame.Capture().Recording());
    QTest::qWait(3000);  // the length of the recording, not a wait for something to happen
    QVERIFY(agent.SendPicture(agent.Pattern(5)) > 0);
    QVERIFY(frame.Commands().Run(cmd::kCaptureVideo));
    QVERIFY(!frame.Capture().Recording());
    QVERIFY(prompter.told.isEmpty());

    const test::MovieProbe probe = test::MovieProbe::Read(path.toStdString());
    QVERIFY2(probe.opened, probe.error.c_str());
    QCOMPARE(probe.videoStreams, 1);
    QCOMPARE(probe.codec, AV_CODEC_ID_MSMPEG4V2);
    QCOMPARE(QSize(probe.width, probe.height), QSize(64, 48));
    // A frame every 500 ms: about six, however busy the machine kept the timer.
    QVERIFY2(probe.frames >= 3 && probe.frames <= 8, qPrintable(QString::number(probe.frames)));
    QVERIFY2(probe.seconds >= 2.9 && probe.seconds <= 4.6, qPrintable(QString::number(probe.seconds)));
  }
};

QTEST_MAIN(LiveFrameTest)
#include "LiveFrameTest.moc"
