// A main frame over a scripted link, prompter and sync bridge, with its settings in a folder
// of the test's own.
#pragma once

#include <QCoreApplication>
#include <deque>
#include <memory>
#include <vector>

#include "desktop/app/AppEvents.h"
#include "desktop/app/FrameStore.h"
#include "desktop/app/SyncBridgeStart.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/settings/CSettingsStore.h"
#include "desktop/shell/CMainFrame.h"
#include "desktop/shell/CommandTable.h"
#include "desktop/shell/dialogs/RequestWorker.h"
#include "tests/app/ScriptedLink.h"
#include "tests/dialogs/ScriptedPrompter.h"

namespace mirrodex::test {

// Answers each start with the next scripted result (unreachable once the script has run out)
// and records whether it was asked for the host program only.
class ScriptedBridge : public app::SyncBridgeStart {
 public:
  int Run(bool hostProgramOnly) override {
    runs.push_back(hostProgramOnly);
    if (results.empty()) return kUnreachable;
    const int result = results.front();
    results.pop_front();
    return result;
  }
  std::deque<int> results;
  std::vector<bool> runs;
};

struct FrameRig {
  explicit FrameRig(const QString& dir) : store(dir + "/Mirrodex.conf") {}
  void Make() {
    frame = std::make_unique<CMainFrame>(CMainFrame::Parts{store, link, worker, prompter, frames, {}, 2, {}, {}});
    frame->SetSyncBridge(bridge);
  }
  void Connect(uint8_t platform = 2) {
    link.connected = true;
    link.info.platform = platform;
    QCoreApplication::sendEvent(frame.get(), new app::SessionEventEvent(app::kSessionChanged, 3));
  }
  QAction* Action(int id) {
    frame->Commands().UpdateAll();
    return frame->Commands().Action(id);
  }
  CSettingsStore store;
  ScriptedLink link;
  ReplyDispatcher dispatcher;
  RequestWorker worker{dispatcher, [this](uint32_t code, std::span<const uint8_t> payload) {
                         return link.QueueRequest(code, payload);
                       }, 100};
  ScriptedPrompter prompter;
  ScriptedBridge bridge;
  app::FrameStore frames;
  std::unique_ptr<CMainFrame> frame;
  const QStringList& messages = prompter.told;
};

}  // namespace mirrodex::test
