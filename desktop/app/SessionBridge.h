// The sessions' sink in the desktop program: receives every session callback on the session
// threads and turns it into an event posted to the user-interface thread (0x7EA session
// events to the frame, 0x7E9 picture notices to the screen window, messages for the user).
// Replies go straight to the reply dispatcher; complete pictures are copied into the frame
// store. Nothing here touches a widget or waits for the user-interface thread, so a session
// thread that reports while the frame is stopping the sessions never blocks it.
// Threads: the SessionOwner and UserNotifier calls on the session threads (and ShowError on
// whichever thread hit a problem); SetTargets and TakeCounters on the user-interface thread.
// Ownership: the frame store, decoder and dispatcher are not owned and must outlive the
// bridge; the targets are not owned: clear them (SetTargets(nullptr, nullptr)) before they
// are destroyed.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "desktop/session/SessionOwner.h"
#include "desktop/session/UserNotifier.h"

namespace mirrodex {
class ReplyDispatcher;
class ScreenDecoder;
}  // namespace mirrodex

namespace mirrodex::app {

class FrameStore;

// Screen traffic since the last TakeCounters.
struct ScreenCounters {
  uint64_t images = 0;
  uint64_t wireBytes = 0;
};

class SessionBridge : public QObject, public SessionOwner, public UserNotifier {
 public:
  SessionBridge(FrameStore& frames, const ScreenDecoder& decoder, ReplyDispatcher& dispatcher);

  // Where session events (`frame`) and picture notices (`screen`) go; nullptr drops them.
  void SetTargets(QObject* frame, QObject* screen);
  ScreenCounters TakeCounters();
  // Posts a session event to the frame target from any thread.
  void PostFrameEvent(int param, uint32_t code);

  void OnEvent(uint32_t code) override;
  void OnData(std::span<const uint8_t> buffer) override;
  void OnFrameComplete() override;
  void OnScreenUpdate(const ScreenUpdateInfo& info) override;
  void ShowError(std::string_view text, std::string_view caption) override;

 private:
  void Post(QObject* SessionBridge::*target, QEvent* event);

  FrameStore& frames_;
  const ScreenDecoder& decoder_;
  ReplyDispatcher& dispatcher_;
  std::mutex targetMutex_;  // held while posting, so a target is never cleared mid-post
  QObject* frame_ = nullptr;
  QObject* screen_ = nullptr;
  std::atomic<uint64_t> images_{0};
  std::atomic<uint64_t> wireBytes_{0};
};

}  // namespace mirrodex::app
