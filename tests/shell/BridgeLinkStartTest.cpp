// Start with a sync profile in the frame over the real bridge: a link that fails or never
// answers ends the start within about three seconds with the hint, and the default local
// link mirrors a virtual device until Stop, after which the bridge leaves by itself.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "desktop/resources/StringIds.h"
#include "desktop/resources/StringTable.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/BridgeSessionLink.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CRapiLink.h"
#include "desktop/shell/DeviceSoftwareWords.h"
#include "desktop/settings/SettingIds.h"
#include "desktop/shell/SyncStart.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "tests/dialogs/ScriptedPrompter.h"
#include "tests/support/XvfbServer.h"

using namespace mirrodex;

namespace {

constexpr const char* kLibrary = MIRRODEX_BIN_DIR "/librapi.so";

// Records the stages and attached streams of a sequence run without sessions.
struct RecordingTarget : SyncStartTarget {
  void ShowStage(int stage) override { stages.push_back(stage); }
  void AttachStream(int channel, IRAPIStream*) override { channels.push_back(channel); }
  std::vector<int> stages;
  std::vector<int> channels;
};

// The frame over the bridge-capable link with a sync profile of the given platform.
struct BridgeRig {
  explicit BridgeRig(int platform) {
    ConnectionProfile synced;
    synced.platform = platform;
    synced.timeOutSeconds = 20;  // a start that ends only at its time-out fails the waits
    (void)store.WriteProfile("Synced", synced);
    link.Bridge().SetTargets(&frame, &frame.Screen());
    frame.show();
    link.Listen();
    (void)frame.SelectProfileByName("Synced");
  }
  ~BridgeRig() {
    frame.close();
    link.Bridge().SetTargets(nullptr, nullptr);
  }
  QTemporaryDir dir;
  CSettingsStore store{dir.path() + "/Mirrodex.conf"};
  BridgeSessionLink link{[] {
                           SessionConfig config;
                           config.stopWaitMs = 1500;
                           return config;
                         }(),
                         kLibrary};
  RequestWorker worker{link.Dispatcher(), [this](uint32_t code, std::span<const uint8_t> payload) {
                         return link.QueueRequest(code, payload);
                       }, 2000};
  test::ScriptedPrompter prompter;
  CMainFrame frame{{store, link, worker, prompter, link.Frames(), {}, 2, {}, {}}};
};

// Whether something accepts connections on the loopback port.
bool Accepts(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return accepted;
}

std::string ReadWord(const QString& path) {
  std::string word;
  std::ifstream(path.toStdString()) >> word;
  return word;
}

}  // namespace

class BridgeLinkStartTest : public QObject {
  Q_OBJECT

 private slots:
  void aLinkThatFailsOrNeverAnswersEndsTheStartWithTheHintWithinAboutThreeSeconds() {
    for (const char* command : {"exit 3", "sleep 60"}) {
      ::setenv("MIRRODEX_LINK", command, 1);
      {
        CRapiLink rapi(kLibrary);
        RecordingTarget target;
        const auto began = std::chrono::steady_clock::now();
        QCOMPARE(sync_start::Run(rapi, false, target), sync_start::kUnreachable);
        // Generous against a loaded machine; a start that waited for the link would take 10 s.
        QVERIFY(std::chrono::steady_clock::now() - began < std::chrono::seconds(8));
        QVERIFY(!rapi.IsLoaded());
        QCOMPARE(target.stages, std::vector<int>{5});
        QVERIFY(target.channels.empty());
      }
      BridgeRig rig(2);
      rig.frame.OnStart();
      QVERIFY(rig.frame.StartRunning());
      rig.frame.OnStart();  // refused while the first start runs
      QTRY_VERIFY_WITH_TIMEOUT(!rig.frame.StartRunning(), 15000);
      QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kBridgeUnavailable)});
      QVERIFY(rig.frame.StateText().startsWith("Ready"));
    }
    ::unsetenv("MIRRODEX_LINK");
  }

  void theDefaultLinkMirrorsTheDeviceUntilStopAndTheBridgeThenLeaves() {
    if (!test::XvfbServer::Available()) QSKIP("Xvfb is not installed");
    std::string error;
    auto server = test::XvfbServer::Start({240, 320, 24}, error);
    QVERIFY2(server, error.c_str());
    QTemporaryDir dir;
    const QString exitFile = dir.path() + "/bridge.exit";
    SetDeviceEnvironment(*server, dir);
    // The bridge as the default link starts it, with its exit code kept.
    const std::string link =
        "'" MIRRODEX_BIN_DIR "/mirrodex-bridge'; echo $? > '" + exitFile.toStdString() + "'";
    ::setenv("MIRRODEX_LINK", link.c_str(), 1);

    BridgeRig rig(2);
    rig.frame.OnStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.frame.Screen().ShowsDevicePicture(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.frame.StateText().startsWith("Connected"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.frame.StartRunning(), 10000);
    QCOMPARE(rig.frame.Screen().grab().size(), QSize(240, 320));
    QVERIFY(rig.prompter.told.isEmpty());

    rig.frame.OnStart();  // Stop
    QVERIFY(rig.frame.StateText().startsWith("Ready"));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(ReadWord(exitFile)), QString("0"), 20000);
    ::unsetenv("MIRRODEX_LINK");
  }

  void anAgentThatCannotBeInvokedEndsTheStartWithTheFailureTextAndTheDesktopListensAgain() {
    QTemporaryDir dir;
    // A device whose bridge has no agent installed beside it.
    const std::string link = "cp '" MIRRODEX_BIN_DIR "/mirrodex-bridge' '" + dir.path().toStdString() +
                             "' && exec '" + dir.path().toStdString() + "/mirrodex-bridge'";
    ::setenv("MIRRODEX_LINK", link.c_str(), 1);
    BridgeRig rig(2);
    rig.frame.OnStart();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.frame.StartRunning(), 30000);
    QCOMPARE(rig.prompter.told, QStringList{LoadText(text::kCommunicationFailed)});
    QVERIFY(Accepts(3937));
    QVERIFY(Accepts(3938));
    ::unsetenv("MIRRODEX_LINK");
  }

  void theSetUpWordsRemoveTheDeviceSoftwareOnlyWhenInstalledAndInstallRespectsTheRefusal() {
    QTemporaryDir dir;
    const QString removed = dir.path() + "/removed";
    // A device whose removal program leaves a mark.
    QVERIFY(QFile::copy(MIRRODEX_BIN_DIR "/mirrodex-bridge", dir.path() + "/mirrodex-bridge"));
    {
      QFile unload(dir.path() + "/mirrodex-unload");
      QVERIFY(unload.open(QIODevice::WriteOnly));
      unload.write(("#!/bin/sh\necho gone > '" + removed + "'\n").toUtf8());
      unload.setPermissions(unload.permissions() | QFileDevice::ExeOwner);
    }
    const std::string link = "exec '" + dir.path().toStdString() + "/mirrodex-bridge'";
    ::setenv("MIRRODEX_LINK", link.c_str(), 1);
    CSettingsStore store(dir.path() + "/Mirrodex.conf");
    test::ScriptedPrompter prompter;
    const auto uninstall = [&] { return RunDeviceSoftwareWord("uninstall", store, prompter, kLibrary); };

    QCOMPARE(uninstall(), 0);  // not installed
    QVERIFY(store.SetInt(setting::kSoftwareInstalled.id, 1));
    QVERIFY(store.SetInt(setting::kPlatformCode.id, 1));
    QCOMPARE(uninstall(), 0);  // a device type with its own package
    QVERIFY(!QFile::exists(removed));
    QVERIFY(store.SetInt(setting::kPlatformCode.id, 2));
    QCOMPARE(uninstall(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(removed), 20000);
    QVERIFY(prompter.told.isEmpty());

    ::setenv("MIRRODEX_LINK", "exit 3", 1);
    QCOMPARE(uninstall(), 1);
    QCOMPARE(prompter.told, QStringList{LoadText(text::kActiveSyncStartError)});

    QVERIFY(store.SetInt(setting::kNoInstallOffer.id, 1));
    QCOMPARE(RunDeviceSoftwareWord("install", store, prompter, kLibrary), 0);
    QCOMPARE(prompter.told.size(), 1);
    ::unsetenv("MIRRODEX_LINK");
  }

  void aHostProgramPlatformStartsTheHostThroughTheBridgeAndItConnectsOverTcp() {
    if (!test::XvfbServer::Available()) QSKIP("Xvfb is not installed");
    std::string error;
    auto server = test::XvfbServer::Start({240, 320, 24}, error);
    QVERIFY2(server, error.c_str());
    QTemporaryDir dir;
    SetDeviceEnvironment(*server, dir);
    ::unsetenv("MIRRODEX_LINK");
    // The host program outlives the bridge that started it; it comes back to this process.
    QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);

    BridgeRig rig(4);
    rig.frame.OnStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.frame.StateText().startsWith("Connected"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.frame.StartRunning(), 10000);
    const pid_t host = static_cast<pid_t>(rig.link.Rapi().StartedProcessId());
    QVERIFY(host > 0);
    QVERIFY(rig.prompter.told.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(rig.frame.Screen().ShowsDevicePicture(), 30000);
    QCOMPARE(::kill(host, SIGTERM), 0);
    int status = 0;
    QCOMPARE(::waitpid(host, &status, 0), host);
  }

 private:
  // The device side inherits these through the bridge.
  static void SetDeviceEnvironment(const test::XvfbServer& server, const QTemporaryDir& dir) {
    ::setenv("DISPLAY", server.DisplayName().c_str(), 1);
    ::setenv("MIRRODEX_FBDEV", server.FramebufferFile().c_str(), 1);
    ::setenv("MIRRODEX_ROOT", dir.path().toLocal8Bit().constData(), 1);
  }
};

QTEST_MAIN(BridgeLinkStartTest)
#include "BridgeLinkStartTest.moc"
