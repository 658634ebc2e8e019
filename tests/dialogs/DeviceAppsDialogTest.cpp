// The device applications dialog against a scripted agent: the list, Kill Process with its
// question, Activate, the messages of each failure, and a dialog that closes while its
// request still waits.
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <mutex>
#include <set>

#include "desktop/resources/StringTable.h"
#include "desktop/shell/dialogs/DeviceAppsDialog.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "tests/dialogs/ProcessReplies.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/requests/ScriptedAgent.h"

namespace mirrodex {

using test::FakeProcess;
using test::ScriptedAgent;
using test::SeenRequest;

namespace {

constexpr int kWaitMs = 60000;  // an upper bound for a loaded machine, never a pace

// A device with processes that ends one when asked; it holds its replies back while `hold`.
class FakeDevice {
 public:
  std::optional<std::vector<uint8_t>> Answer(const SeenRequest& request) {
    std::lock_guard lock(mutex);
    if (hold) return std::nullopt;
    const std::string text(request.payload.begin(), request.payload.end());
    const char action = text.empty() ? '?' : text[0];
    const uint32_t id = text.size() > 1 ? static_cast<uint32_t>(std::stoul(text.substr(1))) : 0;
    if (action == '0') return test::ProcessListReply(processes);
    auto it = std::find_if(processes.begin(), processes.end(), [&](const FakeProcess& p) { return p.id == id; });
    if (it == processes.end()) return test::ProcessResultReply(0);
    if (action == '1') processes.erase(it);
    return test::ProcessResultReply(1);
  }

  std::mutex mutex;
  std::vector<FakeProcess> processes{{u"init", 1}, {u"mirrodex-demo-device", 4242}, {u"Xvfb", 77}};
  bool hold = false;
};

QStringList Names(QTreeWidget* tree) {
  QStringList names;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) names << tree->topLevelItem(i)->text(0);
  return names;
}

std::vector<std::string> Payloads(ScriptedAgent& agent) {
  std::vector<std::string> out;
  for (const SeenRequest& seen : agent.Seen()) {
    if (seen.code != kRequestProcesses) out.push_back("wrong code");
    out.emplace_back(seen.payload.begin(), seen.payload.end());
  }
  return out;
}

}  // namespace

class DeviceAppsDialogTest : public QObject {
  Q_OBJECT

 private:
  struct Rig {
    explicit Rig(uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max())
        : agent(dispatcher, [this](const SeenRequest& r) { return device.Answer(r); }),
          worker(dispatcher, agent.Sender(), timeoutCapMs) {}
    FakeDevice device;
    ReplyDispatcher dispatcher;
    ScriptedAgent agent;
    RequestWorker worker;  // ends before the agent and the dispatcher
    test::ScriptedPrompter prompter;
  };

  static bool AwaitIdle(DeviceAppsDialog& dialog) {
    return QTest::qWaitFor([&] { return !dialog.IsBusy(); }, kWaitMs);
  }
  static QTreeWidget* Tree(DeviceAppsDialog& dialog) {
    return dialog.findChild<QTreeWidget*>(QLatin1String(apps_control::kTree));
  }
  static void Select(DeviceAppsDialog& dialog, const QString& name) {
    QTreeWidget* tree = Tree(dialog);
    const auto found = tree->findItems(name, Qt::MatchExactly, 0);
    QVERIFY(!found.isEmpty());
    tree->setCurrentItem(found.front());
  }

 private slots:
  void listShowsTheDeviceProcessesInReplyOrder() {
    Rig rig;
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(dialog.IsBusy());
    QVERIFY(!dialog.findChild<QPushButton*>(QLatin1String(apps_control::kKill))->isEnabled());
    QVERIFY(AwaitIdle(dialog));
    QTreeWidget* tree = Tree(dialog);
    QCOMPARE(Names(tree), (QStringList{"init", "mirrodex-demo-device", "Xvfb"}));
    QCOMPARE(tree->topLevelItem(1)->data(0, Qt::UserRole).toUInt(), 4242u);
    QCOMPARE(Payloads(rig.agent), std::vector<std::string>{"00"});
    QVERIFY(rig.prompter.told.isEmpty());
    QVERIFY(dialog.findChild<QPushButton*>(QLatin1String(apps_control::kKill))->isEnabled());
  }

  void killAsksFirstThenEndsTheProcessAndListsAgain() {
    Rig rig;
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(dialog));
    Select(dialog, "mirrodex-demo-device");

    rig.prompter.answers = {false};
    dialog.KillSelected();
    QCOMPARE(rig.prompter.asked, QStringList{LoadText(text::kKillProcessWarning)});
    QCOMPARE(rig.prompter.askedIcons.front(), PromptIcon::kWarning);
    QVERIFY(!dialog.IsBusy());

    rig.prompter.answers = {true};
    dialog.KillSelected();
    QVERIFY(QTest::qWaitFor([&] { return rig.agent.Seen().size() == 3 && !dialog.IsBusy(); }, kWaitMs));
    QCOMPARE(Payloads(rig.agent), (std::vector<std::string>{"00", "14242", "00"}));
    QCOMPARE(Names(Tree(dialog)), (QStringList{"init", "Xvfb"}));
    QVERIFY(rig.prompter.told.isEmpty());
  }

  void killOrActivateWithoutSelectionAsksForOne() {
    Rig rig;
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(dialog));
    Tree(dialog)->clearSelection();
    rig.prompter.answers = {true};
    dialog.KillSelected();  // the question still comes first
    dialog.ActivateSelected();
    QCOMPARE(rig.prompter.asked.size(), 1);
    QCOMPARE(rig.prompter.told, (QStringList{LoadText(text::kMakeSelection), LoadText(text::kMakeSelection)}));
    QCOMPARE(rig.agent.Seen().size(), size_t{1});
  }

  void activateSendsTheProcessIdAndKeepsTheList() {
    Rig rig;
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(dialog));
    Select(dialog, "Xvfb");
    QSignalSpy finished(&dialog, &DeviceAppsDialog::requestFinished);
    dialog.ActivateSelected();
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(Payloads(rig.agent), (std::vector<std::string>{"00", "277"}));
    QCOMPARE(Names(Tree(dialog)).size(), 3);
    QVERIFY(rig.prompter.told.isEmpty());

    // A process that has gone in the meantime: the device refuses.
    {
      std::lock_guard lock(rig.device.mutex);
      rig.device.processes.clear();
    }
    dialog.ActivateSelected();
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kRetrieveError)});
  }

  void zeroProcessesIsAFailureNotAnEmptyList() {
    Rig rig;
    rig.device.processes.clear();
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(dialog));
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kRetrieveError)});
    QCOMPARE(Tree(dialog)->topLevelItemCount(), 0);
  }

  void aDeviceThatDoesNotAnswerGetsTheCommunicationMessage() {
    Rig rig(200);  // the request's timeout, shortened
    rig.device.hold = true;
    DeviceAppsDialog dialog(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(dialog));
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kCommunicationFailed)});

    Rig unconnected;
    unconnected.agent.RefuseQueueing();
    DeviceAppsDialog alone(unconnected.worker, unconnected.prompter);
    QVERIFY(AwaitIdle(alone));
    QCOMPARE(unconnected.prompter.told, QStringList{LoadText(text::kCommunicationFailed)});
  }

  void aSecondActionWaitsForTheFirstAndClosingWhileWaitingIsSafe() {
    Rig rig;
    rig.device.hold = true;
    auto dialog = std::make_unique<DeviceAppsDialog>(rig.worker, rig.prompter);
    rig.agent.AwaitRequests(1);
    rig.prompter.answers = {true};
    dialog->KillSelected();
    dialog->ActivateSelected();
    dialog->Refresh();
    QVERIFY(rig.prompter.asked.isEmpty());
    QCOMPARE(rig.worker.Pending(), 1);

    // Closed while the reply is outstanding; the reply then comes and finds no dialog.
    dialog.reset();
    rig.agent.Release(test::ProcessListReply({{u"late", 5}}));
    QVERIFY(QTest::qWaitFor([&] { return rig.worker.Pending() == 0; }, kWaitMs));
    QVERIFY(rig.prompter.told.isEmpty());

    // The next dialog works with the same requesting thread.
    {
      std::lock_guard lock(rig.device.mutex);
      rig.device.hold = false;
    }
    DeviceAppsDialog next(rig.worker, rig.prompter);
    QVERIFY(AwaitIdle(next));
    QCOMPARE(Names(Tree(next)).size(), 3);
  }

  void theWorkerEndsWithARequestStillWaiting() {
    auto rig = std::make_unique<Rig>();
    rig->device.hold = true;
    auto dialog = std::make_unique<DeviceAppsDialog>(rig->worker, rig->prompter);
    rig->agent.AwaitRequests(1);
    // Shutting down: the connection goes, which ends the waiting exchange, then the worker.
    rig->dispatcher.ConnectionLost();
    dialog.reset();
    rig.reset();
  }
};

}  // namespace mirrodex

QTEST_MAIN(mirrodex::DeviceAppsDialogTest)
#include "DeviceAppsDialogTest.moc"
