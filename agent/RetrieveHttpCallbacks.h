// The host notifier: passes session reports to the host's callback and reacts to them, and
// connects the two sessions with the command processor it owns.
// Threads: the MRetrieveHttpCallbacks operations from both session threads; BindSessions at
// load; SetHostCallback from the entry points. The host callback runs on session threads.
// Ownership: owns the command processor; the sessions and the stop flag are the agent's.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "agent/input/CUserInterface.h"
#include "agent/session/CReceiver.h"
#include "agent/session/CSender.h"
#include "agent/session/MRetrieveHttpCallbacks.h"

namespace mirrodex {

// Codes passed to the host's callback.
enum HostCode : uint32_t {
  kHostSessionEnded = 1,
  kHostStartFailed = 2,
  kHostScreenConnected = 4,
  kHostConnectFailed = 5,
};

using HostCallback = void (*)(uint32_t code);

class RetrieveHttpCallbacks final : public MRetrieveHttpCallbacks {
 public:
  RetrieveHttpCallbacks(std::unique_ptr<CUserInterface> userInterface,
                        std::atomic<uint8_t>& stopFlag);

  void BindSessions(CSender* screen, CReceiver* command);
  void SetHostCallback(HostCallback callback) { callback_ = callback; }
  void CallHost(uint32_t code);
  CUserInterface& UserInterface() { return *userInterface_; }

  void Notify(int status) override;
  size_t TakeReply(CDynamicBuf& out) override { return userInterface_->TakeReply(out); }
  void PutCommand(std::span<const uint8_t> bytes) override;
  void PutCommandWord(uint32_t word) override;
  CommandResult ProcessOneCommand() override;
  bool HasReply() override { return userInterface_->HasReply(); }
  int LastStatus() override { return lastStatus_; }

 private:
  std::unique_ptr<CUserInterface> userInterface_;
  std::atomic<uint8_t>& stopFlag_;
  std::atomic<HostCallback> callback_{nullptr};
  std::atomic<int> lastStatus_{0};
  CSender* screen_ = nullptr;
  CReceiver* command_ = nullptr;
};

}  // namespace mirrodex
