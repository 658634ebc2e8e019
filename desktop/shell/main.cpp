// mirrodex: the desktop program. Start-up order: the command line, the single-instance
// check, the settings (start-up platform code, version), the style, the main frame.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "desktop/resources/ProgramInfo.h"
#include "desktop/resources/ResourceInit.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/settings/ProfileSessionSettings.h"
#include "desktop/shell/BridgeSessionLink.h"
#include "desktop/shell/DeviceSoftwareWords.h"
#include "desktop/shell/AppStyle.h"
#include "desktop/shell/CDeviceScreenWnd.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandLine.h"
#include "desktop/shell/SignalQuit.h"
#include "desktop/shell/SingleInstance.h"
#include "desktop/shell/dialogs/MessagePrompter.h"
#include "desktop/files/explorer/CPDAExplorer.h"
#include "desktop/shell/dialogs/RequestWorker.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList list;
  for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mirrodex;
  const CommandLine line = CommandLine::Parse(Arguments(argc, argv));
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(CommandLine::Usage().toLocal8Bit().constData(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::printf("mirrodex %s\n", ProgramVersion().toLocal8Bit().constData());
      return 0;
    case CommandLine::Action::kError:
      std::fprintf(stderr, "mirrodex: %s\n%s", line.error.toLocal8Bit().constData(),
                   CommandLine::Usage().toLocal8Bit().constData());
      return 2;
    case CommandLine::Action::kWord:
    case CommandLine::Action::kRun:
      break;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mirrodex"));
  QApplication::setOrganizationName(QStringLiteral("Ostvale"));
  QApplication::setDesktopFileName(QStringLiteral("mirrodex"));
  QApplication::setQuitOnLastWindowClosed(false);
  EnsureResources();
  if (line.action == CommandLine::Action::kWord) {
    CSettingsStore store;
    QtMessagePrompter prompter(store);
    return RunDeviceSoftwareWord(line.word, store, prompter);
  }

  if (SingleInstance::RaiseRunning()) return 0;
  SingleInstance instance;
  if (!instance.Listen()) std::fputs("mirrodex: cannot watch for a second start of the program\n", stderr);

  CSettingsStore store;
  const QString initFile = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mirrodex.init"));
  const uint16_t platform = store.LoadStartupPlatformCode(initFile);
  store.CheckVersion();
  if (!line.tcpHost.isEmpty() && !store.ProfileExists(line.profile)) {
    ConnectionProfile profile;
    profile.connType = kConnTypeTcpIp;
    profile.hostIp = line.tcpHost;
    profile.platform = platform == 0 ? 2 : platform;
    if (!store.WriteProfile(line.profile, profile)) {
      std::fprintf(stderr, "mirrodex: cannot store the profile in %s\n", store.FileName().toLocal8Bit().constData());
      return 1;
    }
  }
  if (!line.profile.isEmpty() && !store.ListProfiles().contains(line.profile)) {
    std::fprintf(stderr, "mirrodex: there is no connection profile \"%s\" (profiles: %s)\n",
                 line.profile.toLocal8Bit().constData(), store.ListProfiles().join(", ").toLocal8Bit().constData());
    return 2;
  }
  ApplyAppStyle(ReadAppStyle(store));

  SessionConfig config;
  config.readSettings = [&store](const std::string& profile) {
    return ReadSessionSettings(store, QString::fromStdString(profile));
  };
  BridgeSessionLink link(config);
  int status = 0;
  {
    RequestWorker worker(link.Dispatcher(), [&link](uint32_t code, std::span<const uint8_t> payload) {
      return link.QueueRequest(code, payload);
    });
    QtMessagePrompter prompter(store);
    CPDAExplorer::Services files;
    files.dispatcher = &link.Dispatcher();
    files.sender = [&link](uint32_t code, std::span<const uint8_t> payload) {
      return link.QueueRequest(code, payload);
    };
    files.store = &store;
    files.prompter = &prompter;
    CMainFrame frame({store, link, worker, prompter, link.Frames(),
                      [&link] { return link.Bridge().TakeCounters(); },
                      platform == 0 ? uint16_t{2} : platform,
                      [files](QWidget* owner) { CPDAExplorer::ShowOrRaise(files, owner); },
                      [&link] {
                        // No request of the window may wait on while its thread is ended.
                        link.Dispatcher().ConnectionLost();
                        (void)CPDAExplorer::CloseCurrent();
                      }});
    link.Bridge().SetTargets(&frame, &frame.Screen());
    instance.SetOnRaise([&frame] { frame.Raise(); });
    if (!line.profile.isEmpty()) frame.SelectProfileByName(line.profile);
    QuitOnSignals([&frame] { frame.close(); });
    frame.ShowAsStored();
    if (line.start) QTimer::singleShot(0, &frame, [&frame] { frame.OnStart(); });
    status = QApplication::exec();
    instance.SetOnRaise({});
    link.Stop();
    link.Bridge().SetTargets(nullptr, nullptr);
  }
  return status;
}
