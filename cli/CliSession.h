// The command-line client's live connection: a connection controller listening like the
// desktop program, a decoder, and what the commands wait for (a device, a picture, screen
// statistics, the end of the connection).
// Threads: the public functions on the main thread; the SessionOwner calls come from the
// session threads and only record under the lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/BridgeConnection.h"
#include "desktop/session/ConnectionController.h"
#include "desktop/session/DeviceRequester.h"
#include "desktop/session/ReplyDispatcher.h"
#include "desktop/session/ScreenDecoder.h"
#include "desktop/session/UserNotifier.h"

namespace mirrodex::cli {

// Screen traffic added up since the last TakeTotals.
struct ScreenTotals {
  uint64_t fields = 0;
  uint64_t images = 0;
  uint64_t wireBytes = 0;
  uint64_t payloadBytes = 0;
};

// A copy of the decoder's picture, RGB555, width pixels per row.
struct Picture {
  std::vector<uint16_t> pixels;
  uint32_t width = 0;
  uint32_t height = 0;
};

class CliSession : private SessionOwner, private UserNotifier {
 public:
  enum class Outcome { kReady, kTimedOut, kDeviceEnded, kListenFailed, kInterrupted };

  explicit CliSession(SessionConfig config);
  ~CliSession() override;

  // Listens on both ports; then sends the wake-up when `wakeHost` is set. Takes agents only
  // from the wake-up host or else the profile's device address when either is known. False
  // when the wake-up failed (see LastMessage).
  [[nodiscard]] bool Start(const std::optional<std::string>& wakeHost);
  // Instead of Start: reaches the device over the bridge in stream mode, listening nowhere.
  // False with `error` when the link or the agent could not be started before `deadline`.
  [[nodiscard]] bool StartOverBridge(std::chrono::steady_clock::time_point deadline, std::string& error);
  // Waits until `ready` holds (checked under the lock after every report and every 100 ms),
  // the deadline passes, the connected device goes away, the ports cannot be opened, or
  // `interrupted` is set.
  Outcome WaitFor(const std::function<bool()>& ready, std::chrono::steady_clock::time_point deadline,
                  const std::atomic<bool>* interrupted = nullptr);
  // Stops both sessions (the agent gets the close message).
  void Stop() { controller_.StopSessions(); }

  // Under the lock (inside `ready`) or after WaitFor returned: both sessions of one
  // connection have opened.
  bool DeviceConnected() const { return openedSinceLastEnd_ >= 2; }
  // Not inside `ready`: a device opened a session since the start and its connection dropped
  // before both sessions had reported opening. Whether the other session reported in time
  // depends on how the session threads were scheduled (its opening may still be unread when
  // the first session ends, or be reported after that end), so such a drop cannot be told
  // from a retry that reached only one port: it is waited out, and only when no full
  // connection follows does it tell how the wait ended.
  bool DeviceDroppedWhileOpening() const {
    std::lock_guard lock(mutex_);
    return droppedWhileOpening_;
  }
  // Both sessions are connected (any thread).
  bool BothConnected() const { return controller_.BothConnected(); }

  // Main thread, while connected: requests through the reply dispatcher, and input.
  ReplyDispatcher& Dispatcher() { return dispatcher_; }
  // Queues a request while both sessions are connected; false otherwise.
  DeviceRequester::Sender RequestSender();
  void QueueKey(uint32_t code, bool isVirtualKey) { controller_.QueueKey(code, isVirtualKey); }
  void QueuePointer(uint32_t x, uint32_t y, PointerAction action) { controller_.QueuePointer(x, y, action); }
  const std::optional<Picture>& FirstPicture() const { return picture_; }
  // Before Start: called on the screen thread with the decoder after every complete picture;
  // it copies what it needs and returns at once.
  void SetFrameSink(std::function<void(const ScreenDecoder&)> sink) { frameSink_ = std::move(sink); }
  // Main thread.
  ScreenTotals TakeTotals();
  std::string ListenProblem() const;
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  void OnEvent(uint32_t code) override;
  void OnData(std::span<const uint8_t> buffer) override { dispatcher_.Dispatch(buffer); }
  void OnFrameComplete() override;
  void OnScreenUpdate(const ScreenUpdateInfo& info) override;
  void ShowError(std::string_view text, std::string_view caption) override;

  ScreenDecoder decoder_;
  ReplyDispatcher dispatcher_;  // outlives the controller: replies may come until it stops
  ConnectionController controller_;
  // Released after the destructor has stopped the sessions that use its streams.
  std::unique_ptr<BridgeConnection> bridge_;
  SessionConfig config_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  // Sessions opened since the last end or error; a connection of which only one session
  // opened before it dropped is not at once the device leaving (a retry may straddle our
  // start), see DeviceDroppedWhileOpening.
  uint32_t openedSinceLastEnd_ = 0;
  bool endedAfterConnect_ = false;
  bool droppedWhileOpening_ = false;
  std::optional<Picture> picture_;
  ScreenTotals totals_;
  std::string lastMessage_;
  std::function<void(const ScreenDecoder&)> frameSink_;  // set before Start, then only read
};

}  // namespace mirrodex::cli
