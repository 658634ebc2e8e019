#include "desktop/shell/SyncStart.h"

#include "desktop/shell/CRapiLink.h"

namespace mirrodex::sync_start {

bool UsesHostProgram(int platform) { return platform == 4 || platform == 6 || platform == 8; }

int Run(CRapiLink& rapi, bool hostProgramOnly, SyncStartTarget& target) {
  target.ShowStage(5);
  if (!rapi.Load()) return kUnreachable;
  if (hostProgramOnly) return rapi.StartHostProgram() ? kStarted : kSecondFailed;
  target.ShowStage(1);
  IRAPIStream* screen = rapi.InvokeAgent(1);
  if (!screen) return kFirstFailed;
  target.ShowStage(2);
  target.AttachStream(1, screen);
  IRAPIStream* command = rapi.InvokeAgent(2);
  if (!command) return kSecondFailed;
  target.ShowStage(3);
  target.AttachStream(2, command);
  return kStarted;
}

}  // namespace mirrodex::sync_start
