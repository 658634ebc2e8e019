// One end of the link: a reading thread that parses frames and hands channel 0's bodies to
// the call sink and every other channel's frames to its LinkChannel, and the table of open
// channels. A refused frame, the end of the input or Stop takes the link down: every
// channel's blocked Read and Write then fails and the down sink runs once.
// Threads: Start, Stop and the destructor on the owner's thread (never on the reading
// thread); SendCall, OpenChannel and the queries on any thread. The sinks run on the reading
// thread and must not block on the link's other users.
// Ownership: owns the reading thread; shares the I/O with the channels, which may outlive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "bridge/LinkChannel.h"
#include "bridge/LinkFrame.h"
#include "bridge/LinkIo.h"

namespace mirrodex::bridge {

class Link {
 public:
  // Returns false to refuse the call body (the link then goes down).
  using CallSink = std::function<bool(std::span<const uint8_t>)>;
  using DownSink = std::function<void(const std::string& reason)>;
  static constexpr size_t kMaxChannels = 64;

  Link(int readFd, int writeFd, CallSink onCall, DownSink onDown);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  void Start();
  // Takes the link down and waits for the reading thread.
  void Stop();
  // Any thread, the reading thread included: takes the link down without waiting.
  void Shutdown() { GoDown("the link was closed"); }

  [[nodiscard]] bool SendCall(std::span<const uint8_t> body);
  // Registers channel `id`; nullptr when it is 0, in use, the table is full or the link is down.
  std::shared_ptr<LinkChannel> OpenChannel(uint16_t id);
  // `onClosed` runs whenever a channel closes (after it left the table), on the closing thread.
  void SetChannelClosedSink(std::function<void()> onClosed);
  size_t OpenChannels() const;
  bool IsUp() const { return !down_; }
  std::string DownReason() const;

 private:
  struct Table {
    std::mutex mutex;
    std::map<uint16_t, std::shared_ptr<LinkChannel>> channels;
    std::function<void()> onClosed;
  };

  void ReadLoop();
  bool OnFrame(const FrameHeader& header, std::span<const uint8_t> body);
  void GoDown(const std::string& reason);
  std::shared_ptr<LinkChannel> Find(uint16_t id) const;

  std::shared_ptr<LinkIo> io_;
  std::shared_ptr<Table> table_;
  CallSink onCall_;
  DownSink onDown_;
  std::atomic<bool> down_{false};
  mutable std::mutex reasonMutex_;
  std::string reason_;
  std::thread reader_;
};

}  // namespace mirrodex::bridge
