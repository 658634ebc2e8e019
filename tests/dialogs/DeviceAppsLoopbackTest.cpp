// The device applications dialog over the real sessions: the requesting thread queues on the
// command session, the test agent answers over loopback sockets, and the replies come back
// through the reply dispatcher. Also: the connection ending while a request waits.
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "desktop/resources/StringTable.h"
#include "desktop/session/ConnectionController.h"
#include "desktop/shell/dialogs/DeviceAppsDialog.h"
#include "desktop/shell/dialogs/GuardedRequestSender.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/dialogs/ProcessReplies.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/support/TestAgent.h"

namespace mirrodex {
namespace {

constexpr int kWaitMs = 60000;

// What the frame's session bridge does with replies and ends.
class ReplyOwner : public SessionOwner {
 public:
  explicit ReplyOwner(ReplyDispatcher& dispatcher) : dispatcher_(dispatcher) {}
  void OnEvent(uint32_t code) override {
    if (code == kEventEnded || code == kEventError) dispatcher_.ConnectionLost();
    if (code == kEventConnected) ++connected;
  }
  void OnData(std::span<const uint8_t> buffer) override { dispatcher_.Dispatch(buffer); }
  std::atomic<int> connected{0};

 private:
  ReplyDispatcher& dispatcher_;
};

// Drives a connected test agent on its own thread: answers request 20 from its process list,
// ending a process on a kill; stays silent after `silent` requests.
class AgentLoop {
 public:
  AgentLoop(test::TestAgent& agent, int silentAfter) : agent_(agent), silentAfter_(silentAfter) {
    thread_ = std::thread([this] { Run(); });
  }
  ~AgentLoop() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Run() {
    while (!stop_) {
      const auto message = agent_.ReadCommandMessage(100);
      if (!message || message->payload.size() < 4) continue;
      if (RequestCodeOf(LoadU32(message->payload.data())) != kRequestProcesses) continue;
      const std::string text(message->payload.begin() + 4, message->payload.end());
      int seen = 0;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(text);
        seen = static_cast<int>(requests_.size());
      }
      if (seen > silentAfter_) continue;
      if (text[0] == '0') {
        agent_.SendReply(test::ProcessListReply(processes_));
      } else {
        const uint32_t id = static_cast<uint32_t>(std::stoul(text.substr(1)));
        std::erase_if(processes_, [&](const test::FakeProcess& p) { return text[0] == '1' && p.id == id; });
        agent_.SendReply(test::ProcessResultReply(1));
      }
    }
  }

  test::TestAgent& agent_;
  const int silentAfter_;
  std::vector<test::FakeProcess> processes_{{u"init", 1}, {u"mirrodex-demo-device", 4242}, {u"Xvfb", 77}};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

QStringList Names(DeviceAppsDialog& dialog) {
  auto* tree = dialog.findChild<QTreeWidget*>(QLatin1String(apps_control::kTree));
  QStringList names;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) names << tree->topLevelItem(i)->text(0);
  return names;
}

}  // namespace

class DeviceAppsLoopbackTest : public QObject {
  Q_OBJECT

 private:
  struct Desktop {
    Desktop() : owner(dispatcher), controller(owner, decoder, SessionConfig{}), sender(controller) {
      controller.CreateSessions(false);
    }
    ~Desktop() {
      sender.Change([this] { controller.StopSessions(); });
    }
    DeviceRequester::Sender Sender() { return sender.Sender(); }
    bool ConnectAgent(test::TestAgent& agent) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!agent.Connect() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the desktop still opening its ports
      }
      return QTest::qWaitFor([&] { return controller.BothConnected(); }, kWaitMs);
    }
    ReplyDispatcher dispatcher;
    ScreenDecoder decoder;
    ReplyOwner owner;
    ConnectionController controller;
    GuardedRequestSender sender;
  };

 private slots:
  void listAndKillOverTheSessions() {
    Desktop desktop;
    test::TestAgent agent;
    QVERIFY(desktop.ConnectAgent(agent));
    AgentLoop loop(agent, 1000);
    test::ScriptedPrompter prompter;
    RequestWorker worker(desktop.dispatcher, desktop.Sender());
    DeviceAppsDialog dialog(worker, prompter);
    QVERIFY(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
    QCOMPARE(Names(dialog), (QStringList{"init", "mirrodex-demo-device", "Xvfb"}));

    auto* tree = dialog.findChild<QTreeWidget*>(QLatin1String(apps_control::kTree));
    tree->setCurrentItem(tree->topLevelItem(1));
    prompter.answers = {true};
    dialog.KillSelected();
    QVERIFY(QTest::qWaitFor([&] { return loop.Requests().size() == 3 && !dialog.IsBusy(); }, kWaitMs));
    QCOMPARE(loop.Requests(), (std::vector<std::string>{"00", "14242", "00"}));
    QCOMPARE(Names(dialog), (QStringList{"init", "Xvfb"}));
    QVERIFY(prompter.told.isEmpty());
  }

  // Stop and re-create the sessions (as Stop and a new Start do) while the dialog keeps asking:
  // no request reaches a deleted session, and the next agent is answered again.
  void sessionsReplacedWhileRequestsGoOn() {
    Desktop desktop;
    test::ScriptedPrompter prompter;
    RequestWorker worker(desktop.dispatcher, desktop.Sender());
    DeviceAppsDialog dialog(worker, prompter);
    for (int round = 0; round < 3; ++round) {
      QVERIFY(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
      dialog.Refresh();
      desktop.sender.Change([&] {
        desktop.controller.StopSessions();
        desktop.controller.CreateSessions(false);
      });
    }
    QVERIFY(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
    test::TestAgent agent;
    QVERIFY(desktop.ConnectAgent(agent));
    AgentLoop loop(agent, 1000);
    prompter.told.clear();
    dialog.Refresh();
    QVERIFY(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
    QCOMPARE(Names(dialog).size(), 3);
    QVERIFY(prompter.told.isEmpty());
  }

  // The agent goes away while the dialog waits: the exchange ends at once with the
  // communication message, long before the request's own timeout.
  void theConnectionEndingWhileARequestWaits() {
    Desktop desktop;
    auto agent = std::make_unique<test::TestAgent>();
    QVERIFY(desktop.ConnectAgent(*agent));
    auto loop = std::make_unique<AgentLoop>(*agent, 0);
    test::ScriptedPrompter prompter;
    RequestWorker worker(desktop.dispatcher, desktop.Sender());
    DeviceAppsDialog dialog(worker, prompter);
    QVERIFY(QTest::qWaitFor([&] { return loop->Requests().size() == 1; }, kWaitMs));
    loop.reset();
    agent.reset();  // closes both sockets
    QVERIFY(QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs));
    QCOMPARE(prompter.told, QStringList{LoadText(text::kCommunicationFailed)});
  }
};

}  // namespace mirrodex

QTEST_MAIN(mirrodex::DeviceAppsLoopbackTest)
#include "DeviceAppsLoopbackTest.moc"
