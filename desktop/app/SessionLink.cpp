#include "desktop/app/SessionLink.h"

namespace mirrodex::app {

SessionLink::SessionLink(SessionConfig config)
    : bridge_(frames_, decoder_, dispatcher_),
      controller_(bridge_, decoder_, [&] {
        config.notifier = &bridge_;
        return config;
      }()) {}

SessionLink::~SessionLink() { Stop(); }

void SessionLink::Listen() { RecreateSessions(false); }

void SessionLink::RecreateSessions(bool streamMode) {
  std::lock_guard lock(sessionsMutex_);
  controller_.StopSessions();
  OnSessionsStopped();
  controller_.CreateSessions(streamMode);
}

void SessionLink::AttachSessionStream(int channel, IRAPIStream* stream) {
  controller_.AttachStream(channel, stream);
}

void SessionLink::Stop() {
  {
    std::lock_guard lock(sessionsMutex_);
    controller_.StopSessions();
    OnSessionsStopped();
  }
  dispatcher_.ConnectionLost();  // a request still waiting fails now, not at its timeout
}

bool SessionLink::Wake(const std::string& host) { return controller_.WakeDevice(host); }

void SessionLink::SetProfile(const std::string& name) {
  std::lock_guard lock(sessionsMutex_);
  controller_.SetProfile(name);
}

void SessionLink::QueueKey(uint32_t code, bool isVirtualKey) {
  if (controller_.IsConnected()) controller_.QueueKey(code, isVirtualKey);
}

void SessionLink::QueuePointer(uint32_t x, uint32_t y, PointerAction action) {
  if (controller_.IsConnected()) controller_.QueuePointer(x, y, action);
}

bool SessionLink::QueueRequest(uint32_t code, std::span<const uint8_t> payload) {
  std::lock_guard lock(sessionsMutex_);
  return controller_.BothConnected() && controller_.QueueRequest(code, payload);
}

}  // namespace mirrodex::app
