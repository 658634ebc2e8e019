// The start of the agent through the sync bridge: binds the bridge, then either starts the
// device's host program (which connects back over TCP) or invokes the agent's two stream
// exports and hands each stream to its session as it comes.
// Thread: runs on a worker thread, never the user-interface thread (it waits for the device);
// the target is called on that thread.
#pragma once

#include "protocol/IRAPIStream.h"

namespace mirrodex {

class CRapiLink;

class SyncStartTarget {
 public:
  virtual ~SyncStartTarget() = default;
  // The start-up picture's stage number.
  virtual void ShowStage(int stage) = 0;
  // Hands the stream of `channel` (1 screen, 2 command) to its session, which opens on it.
  virtual void AttachStream(int channel, IRAPIStream* stream) = 0;
};

namespace sync_start {

inline constexpr int kStarted = 1;
inline constexpr int kUnreachable = -1;     // no bridge, or no device answered
inline constexpr int kSecondFailed = -2;    // host program or channel 2
inline constexpr int kFirstFailed = -3;     // channel 1

// Platform codes whose agent is started through the host program.
bool UsesHostProgram(int platform);

// The sequence: one of the results above. In stream mode the sessions must already wait for
// their streams.
int Run(CRapiLink& rapi, bool hostProgramOnly, SyncStartTarget& target);

}  // namespace sync_start

}  // namespace mirrodex
