// The transport over a TCP connection that the agent opens to the desktop, or over an
// attached stream (stream mode). Sockets follow the Linux rules: graceful close (no zero
// linger), MSG_NOSIGNAL writes, shutdown() before close() so a blocked call returns.
// Threads and ownership as CCommMgr; SetHost and SetConnectTimeout while no session runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "agent/session/CCommMgr.h"

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
  void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
  // Before a session starts: clears an earlier Interrupt.
  void ResetInterrupt() { interrupted_ = false; }

  uint32_t Receive(void* buffer, uint32_t size) override;
  bool IsStream() const override;
  void AttachStream(IRAPIStream* stream) override;
  uint32_t Send(const void* buffer, uint32_t length) override;
  [[nodiscard]] bool Connect(uint16_t port) override;
  void Close() override;
  void Interrupt() override;

 private:
  int Socket() const;
  IRAPIStream* Stream() const;
  // Waits for a non-blocking connect to finish, in slices so an Interrupt is seen.
  bool AwaitConnect(int fd);

  mutable std::mutex mutex_;  // guards fd_ and stream_
  int fd_ = -1;
  IRAPIStream* stream_ = nullptr;
  std::atomic<bool> interrupted_{false};
  std::string host_ = kSyncLinkAddress;
  int connectTimeoutMs_ = 10000;
};

}  // namespace mirrodex
