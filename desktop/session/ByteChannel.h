// One session channel's bytes: a TCP socket (listening or connecting) or an attached stream.
// Threads: one session thread calls everything except Close and InterruptReads, which any
// thread may call to wake that session thread from accept, receive or a stream Read.
// Ownership: the channel owns its sockets; an attached stream stays owned by whoever attached
// it (Close closes it, never releases it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "protocol/IRAPIStream.h"

namespace mirrodex {

class UserNotifier;

class ByteChannel {
 public:
  explicit ByteChannel(UserNotifier* notifier = nullptr);
  ~ByteChannel();
  ByteChannel(const ByteChannel&) = delete;
  ByteChannel& operator=(const ByteChannel&) = delete;

  // One read of up to `length` bytes; the count read, 0 on failure or end of stream.
  [[nodiscard]] uint32_t Receive(void* buffer, uint32_t length);
  // Reads exactly `length` bytes however the peer splits them. With `timeoutMs` >= 0 every
  // byte must arrive within that time from the call (sockets only; a stream has no timeout).
  [[nodiscard]] bool ReceiveExact(void* buffer, size_t length, int timeoutMs = -1);
  // One write; the count written, 0 on failure.
  [[nodiscard]] uint32_t Send(const void* buffer, uint32_t length);
  // Writes every byte, repeating partial writes; false when a write fails or moves nothing.
  [[nodiscard]] bool SendAll(const void* buffer, size_t length);

  bool IsStreamMode() const;
  bool IsConnected() const;
  // Without waiting: true when a connected socket's peer has closed or reset it. For a
  // session whose peer only ever answers, this is how an idle session notices it is alone.
  // Always false for a stream.
  bool PeerHasClosed() const;
  // Stores the stream and marks the channel connected; Connect and Listen then succeed at
  // once until the next Close.
  void AttachStream(IRAPIStream* stream);

  // Resolves `host` (dotted IPv4 or a host name) and connects within `timeoutMs`. Failures
  // show "Failed to create connection" through the notifier.
  [[nodiscard]] bool Connect(const std::string& host, uint16_t port, int timeoutMs = 10000);
  // Listens on any local address and blocks until one peer connects (or Close is called).
  // The listening socket is closed again after accept in every case.
  [[nodiscard]] bool Listen(uint16_t port);
  // errno of the last failed socket, bind or listen (0 when the last Listen got that far).
  int LastListenError() const;

  // Any thread: closes the sockets (waking a blocked accept or receive), closes and forgets
  // an attached stream, clears the connected flag.
  void Close();
  // Any thread: wakes a blocked accept or receive but leaves the data socket writable, so the
  // session thread can still send its close message. Closes an attached stream.
  void InterruptReads();

 private:
  class Socket;
  using SocketPtr = std::shared_ptr<Socket>;

  SocketPtr DataSocket() const;
  IRAPIStream* Stream() const;
  bool WaitReadable(const SocketPtr& socket, int timeoutMs) const;

  UserNotifier* notifier_;
  mutable std::mutex mutex_;  // guards the fields below
  SocketPtr data_;
  SocketPtr listener_;
  IRAPIStream* stream_ = nullptr;
  bool connected_ = false;
  // Bumped by every Close or InterruptReads, so a Listen or Connect that raced with one gives
  // up instead of blocking on a socket nobody can wake any more.
  uint64_t generation_ = 0;
  int lastListenError_ = 0;
};

}  // namespace mirrodex
