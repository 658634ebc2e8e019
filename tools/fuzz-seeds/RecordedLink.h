// The desktop's requesters joined to the agent's device services in one process, recording
// every request exactly as the desktop sends it (request word, then payload) and every reply
// exactly as the agent gives it (status word, then payload).
// Threads: one; the sender answers on the requesting thread.
// Ownership: owns the services and the dispatcher; requesters made with Sender() must be
// gone before the link is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "agent/services/CLinuxFileManager.h"
#include "desktop/session/DeviceRequester.h"

namespace mirrodex::seeds {

using Bytes = std::vector<uint8_t>;

class RecordedLink {
 public:
  explicit RecordedLink(const std::string& fileRoot);

  ReplyDispatcher& Dispatcher() { return dispatcher_; }
  DeviceRequester::Sender Sender();

  // What crossed the link since the last call, then forgets it.
  std::vector<Bytes> TakeRequests() { return std::exchange(requests_, {}); }
  std::vector<Bytes> TakeReplies() { return std::exchange(replies_, {}); }

 private:
  CLinuxFileManager services_;
  ReplyDispatcher dispatcher_;
  std::vector<Bytes> requests_;
  std::vector<Bytes> replies_;
};

}  // namespace mirrodex::seeds
