// The device's wake-up port: a desktop connects, writes the byte "a" and closes. Only
// allowed addresses are heard; anybody else is dropped without reading. Nothing here
// blocks: connections are accepted as they come and wait, a bounded number at a time and
// each for a short while, for their byte; the host's main loop polls them all.
// Refusals are logged at most once per address per minute.
// Thread: the host's main thread.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/AddressFilter.h"
#include "host/LogLimiter.h"

namespace mirrodex {

inline constexpr uint16_t kWakePort = 3950;

class WakeListener {
 public:
  using Clock = std::chrono::steady_clock;
  // Connections that may wait for their byte at once; a newer one closes the oldest.
  static constexpr size_t kMaxWaiting = 16;
  // How long an accepted peer has to send its byte (a desktop sends it right away).
  static constexpr auto kByteTimeout = std::chrono::milliseconds(500);

  explicit WakeListener(const AddressFilter& filter) : filter_(filter) {}
  ~WakeListener();
  WakeListener(const WakeListener&) = delete;
  WakeListener& operator=(const WakeListener&) = delete;

  // Listens on every local IPv4 address; false with `error` (a busy port says so).
  [[nodiscard]] bool Listen(uint16_t port, std::string& error);
  // Appends the descriptors to poll for input: the listening socket and every waiting
  // connection.
  void AddPollFds(std::vector<pollfd>& fds) const;
  // How long the caller may poll before Serve must run again; `cap` when nothing waits.
  int PollTimeoutMs(int cap) const;
  // Without blocking: accepts what is queued, reads the byte of every waiting connection that
  // sent it and drops those past their time. Returns the dotted addresses of allowed peers
  // that sent "a", oldest first; `notes` gets the lines worth logging.
  std::vector<std::string> Serve(std::vector<std::string>& notes);
  size_t Waiting() const { return waiting_.size(); }

 private:
  struct Connection {
    int fd;
    std::string address;
    Clock::time_point until;
  };
  enum class Byte { kWakeUp, kNone, kOther, kPending };

  void AcceptQueued(std::vector<std::string>& notes, Clock::time_point now);
  static Byte ReadByte(int fd);
  void Note(std::vector<std::string>& notes, const std::string& key, const std::string& line,
            Clock::time_point now);

  const AddressFilter& filter_;
  int fd_ = -1;
  std::deque<Connection> waiting_;
  LogLimiter limiter_;
};

}  // namespace mirrodex
