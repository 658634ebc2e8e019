// The agent's global objects and what the five exports do with them. One instance lives in
// the shared library, constructed at load and destroyed at unload; tests build their own
// with an in-memory screen, other ports and shortened waits.
// Members are constructed in this order and destroyed in reverse: the capture object, the
// host notifier (holding the command processor), the screen session, the command session,
// the table of thread objects.
// Threads: Start, Stop, Initialise, ReportBounds and Shutdown are serialised among
// themselves; RunScreenStream and RunCommandStream block their callers for a whole session
// and run concurrently; StopFlag from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "agent/AgentConfig.h"
#include "agent/RetrieveHttpCallbacks.h"
#include "agent/capture/CScreenCap.h"
#include "agent/input/CUserInterface.h"
#include "agent/session/CReceiver.h"
#include "agent/session/CSender.h"
#include "agent/session/CleanupStack.h"
#include "agent/session/SessionTiming.h"

namespace mirrodex {

struct AgentOptions {
  AgentConfig config;
  SessionTiming timing;
  uint16_t commandPort = kAgentCommandPort;
  uint16_t screenPort = kAgentScreenPort;
  std::function<std::unique_ptr<CScreenCap>(const AgentConfig&)> makeCapture;
  std::function<std::unique_ptr<CUserInterface>()> makeUserInterface;

  // The product's options: configuration from the environment, the real backends.
  static AgentOptions Product();
};

class CAgent {
 public:
  // The longest host name (in characters) the sessions accept.
  static constexpr size_t kMaxHostChars = 259;
  // How long stopping waits for the screen session to end by itself before closing it.
  static constexpr int kOrderlyStopMs = 1000;
  static constexpr int kForcedStopMs = 400;

  explicit CAgent(AgentOptions options);
  ~CAgent();
  CAgent(const CAgent&) = delete;
  CAgent& operator=(const CAgent&) = delete;

  // Stream mode: sets up the screen and runs the screen session on `stream` until it ends.
  void RunScreenStream(IRAPIStream* stream);
  // Stream mode: runs the command session on `stream` until it ends.
  void RunCommandStream(IRAPIStream* stream);
  // TCP mode: starts both sessions towards `host` (UTF-16, may be null or empty for the sync
  // link). Returns the stop flag: 0 when they run. While sessions run, they are stopped and
  // started anew, except when they are connected to this same desktop, done opening, and
  // have heard from it within the keep-alive time: then they are left alone.
  uint8_t Start(const char16_t* host);
  // Stops both sessions; returns within about 1.5 s however they are blocked. Returns 1.
  uint8_t Stop();
  // Stores the callback and sets up the screen; false (callback code 2) when no screen can
  // be opened. Fills `bounds` (left, top, right, bottom) when given.
  [[nodiscard]] bool Initialise(HostCallback callback, int32_t* bounds);
  void ReportBounds(int32_t* bounds) const;
  // Stops the sessions and releases the screen.
  void Shutdown();
  uint8_t StopFlag() const { return stopFlag_; }

  CScreenCap* Capture() { return capture_.get(); }
  RetrieveHttpCallbacks& Callbacks() { return callbacks_; }
  CSender& Screen() { return screen_; }
  CReceiver& Command() { return command_; }

 private:
  [[nodiscard]] bool SetUpScreen();
  void StopLocked();
  // With the entry lock held: both sessions run towards `host`, are open and not idle.
  bool ServesLocked(const std::string& host) const;
  // With the entry lock held: left 0, top 0, right = width, bottom = height (0 before set-up).
  void FillBounds(int32_t* bounds) const;

  AgentOptions options_;
  std::atomic<uint8_t> stopFlag_{1};
  mutable std::mutex entryMutex_;
  bool initialised_ = false;  // guarded by entryMutex_
  std::unique_ptr<CScreenCap> capture_;
  RetrieveHttpCallbacks callbacks_;
  CSender screen_;
  CReceiver command_;
  CleanupStack threads_;
};

}  // namespace mirrodex
