#include "agent/RetrieveHttpCallbacks.h"

namespace mirrodex {

RetrieveHttpCallbacks::RetrieveHttpCallbacks(std::unique_ptr<CUserInterface> userInterface,
                                             std::atomic<uint8_t>& stopFlag)
    : userInterface_(std::move(userInterface)), stopFlag_(stopFlag) {}

void RetrieveHttpCallbacks::BindSessions(CSender* screen, CReceiver* command) {
  screen_ = screen;
  command_ = command;
}

void RetrieveHttpCallbacks::CallHost(uint32_t code) {
  if (HostCallback callback = callback_.load()) callback(code);
}

void RetrieveHttpCallbacks::Notify(int status) {
  lastStatus_ = status;
  switch (status) {
    case kStatusScreenConnected:
      CallHost(kHostScreenConnected);
      return;
    case kStatusConnectFailed:
      CallHost(kHostConnectFailed);
      return;
    case kStatusEnded:
    case kStatusStopped:
    case kStatusFailed:
      // A pair is useful only whole: when either session ends, for whatever reason, the other
      // ends too and the agent counts as stopped, so the host can start it again. (An ending
      // that did not stop the other would leave a still screen waiting forever.)
      stopFlag_ = 1;
      // Input and requests of a desktop that has gone are never replayed or served.
      userInterface_->Reset();
      if (screen_ != nullptr) screen_->Stop(false);
      if (command_ != nullptr) command_->Stop(true);
      CallHost(kHostSessionEnded);
      return;
    default:
      CallHost(kHostSessionEnded);
      return;
  }
}

void RetrieveHttpCallbacks::PutCommand(std::span<const uint8_t> bytes) {
  userInterface_->PutCommand(bytes);
  if (screen_ != nullptr) screen_->Wake();
}

void RetrieveHttpCallbacks::PutCommandWord(uint32_t word) {
  userInterface_->PutCommandWord(word);
  if (screen_ != nullptr) screen_->Wake();
}

CommandResult RetrieveHttpCallbacks::ProcessOneCommand() {
  const CommandResult result = userInterface_->ProcessOneCommand();
  if (result == CommandResult::kDone && command_ != nullptr && userInterface_->HasReply()) {
    command_->Wake();
  }
  return result;
}

}  // namespace mirrodex
