// The transport over a TCP connection that the agent opens to the desktop, or over an
// attached stream (stream mode). Sockets follow the Linux rules: graceful close (no zero
// linger), MSG_NOSIGNAL writes, shutdown() before close() so a blocked call returns.
// Every socket wait is a poll, so none outlasts its timeout or an Interrupt: a write that
// makes no progress for the send timeout fails, and while a deadline is set (the opening)
// every read and write fails once it has passed.
// Threads and ownership as CCommMgr; the setters while no session runs, except that the
// session thread sets and clears its own deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "agent/session/CCommMgr.h"
#include "agent/session/Ipv4Resolver.h"

namespace mirrodex {

// The address under which a device reaches the desktop over the sync link.
inline constexpr const char* kSyncLinkAddress = "127.0.0.1";

class CSocketComm final : public CCommMgr {
 public:
  CSocketComm() = default;
  ~CSocketComm() override;

  // The desktop to connect to: a dotted address or a host name; empty means the sync link.
  void SetHost(const std::string& host) { host_ = host.empty() ? kSyncLinkAddress : host; }
  const std::string& Host() const { return host_; }
  // How long Connect may take over all the desktop's addresses together.
  void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
  // How long one write may wait for the desktop to take any byte.
  void SetSendTimeout(int ms) { sendTimeoutMs_ = ms; }
  void SetResolver(Ipv4Resolver resolver) { resolver_ = std::move(resolver); }
  // Session thread: reads and writes fail once `ms` from now have passed, until cleared.
  void SetDeadline(int ms);
  void ClearDeadline() { deadline_.reset(); }
  // Before a session starts: clears an earlier Interrupt.
  void ResetInterrupt() { interrupted_ = false; }

  uint32_t Receive(void* buffer, uint32_t size) override;
  bool IsStream() const override;
  void AttachStream(IRAPIStream* stream) override;
  uint32_t Send(const void* buffer, uint32_t length) override;
  [[nodiscard]] bool Connect(uint16_t port) override;
  void Close() override;
  void Interrupt() override;
  bool WaitForInput(uint32_t ms) override;

 private:
  using Clock = std::chrono::steady_clock;

  int Socket() const;
  IRAPIStream* Stream() const;
  // One address: a connected socket stored in fd_, or false.
  bool ConnectTo(const in_addr& address, uint16_t port, Clock::time_point deadline);
  // Waits for `events` on `fd` until `until` (or the opening deadline, whichever is first);
  // false on timeout, Interrupt or a failed poll.
  bool Await(int fd, short events, std::optional<Clock::time_point> until);

  mutable std::mutex mutex_;  // guards fd_ and stream_
  int fd_ = -1;
  IRAPIStream* stream_ = nullptr;
  std::atomic<bool> interrupted_{false};
  std::string host_ = kSyncLinkAddress;
  int connectTimeoutMs_ = 10000;
  int sendTimeoutMs_ = 10000;
  std::optional<Clock::time_point> deadline_;  // session thread only
  Ipv4Resolver resolver_ = ResolveIPv4;
};

}  // namespace mirrodex
