// Lets the requesting thread queue requests on the connection controller while the
// user-interface thread may stop and re-create the sessions: queueing and every change of the
// sessions hold one mutex, so a request is never queued on a session being deleted. A request
// queued while no device is connected is refused at once (its exchange fails as not sent).
// Threads: Sender's function on the requesting thread; Change on the controlling
// (user-interface) thread, never from inside a session callback.
// Ownership: the controller is not owned and must outlive the sender and its functions.
#pragma once

#include <mutex>
#include <utility>

#include "desktop/session/ConnectionController.h"
#include "desktop/session/DeviceRequester.h"

namespace mirrodex {

class GuardedRequestSender {
 public:
  explicit GuardedRequestSender(ConnectionController& controller) : controller_(controller) {}
  GuardedRequestSender(const GuardedRequestSender&) = delete;
  GuardedRequestSender& operator=(const GuardedRequestSender&) = delete;

  // For RequestWorker (and any other requester on another thread than the controller's).
  DeviceRequester::Sender Sender() {
    return [this](uint32_t code, std::span<const uint8_t> payload) {
      std::lock_guard lock(mutex_);
      return controller_.BothConnected() && controller_.QueueRequest(code, payload);
    };
  }

  // Runs `change` (StopSessions, CreateSessions, AttachStreams) while no request is queued.
  // A requesting thread that wants to queue meanwhile waits until it is done (at most the
  // about 1.5 s a stop takes); it never waits on the user-interface thread in turn.
  template <typename Work>
  void Change(Work&& change) {
    std::lock_guard lock(mutex_);
    std::forward<Work>(change)();
  }

 private:
  ConnectionController& controller_;
  std::mutex mutex_;
};

}  // namespace mirrodex
