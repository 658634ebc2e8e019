// One session channel's bytes: a TCP socket (listening or connecting) or an attached stream.
// Threads: one session thread calls everything except Close and InterruptReads, which any
// thread may call to wake that session thread from accept, receive or a stream Read.
// Ownership: the channel owns its sockets; an attached stream stays owned by whoever attached
// it (Close closes it, never releases it).
#pragma once

#include <cstddef>
#include <netinet/in.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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
  // What a listening channel takes a peer on. Listening goes on while peers open, so a peer
  // that connects and stalls never keeps another out.
  struct ListenRules {
    // A peer is taken once it has sent this many bytes (they are read again by the next
    // receives); 0 takes it on connecting. One that has closed by then is dropped.
    size_t openingBytes = 0;
    // A peer that has not sent them within this time is dropped; negative waits forever.
    int openingTimeoutMs = -1;
    // Asked on connecting and again when the opening bytes are in; empty admits any peer.
    std::function<bool(in_addr_t address)> admits;
    // Asked at least every 250 ms; true ends the listening with kGaveUp.
    std::function<bool()> giveUp;
  };
  enum class ListenResult { kConnected, kFailed, kGaveUp };
  // At most this many peers are opening at once; a new one drops the oldest.
  static constexpr size_t kMaxOpeningPeers = 16;

  // Listens on any local address and blocks until a peer is taken by `rules`, Close or
  // InterruptReads is called, or `rules.giveUp` holds. The listening socket and the peers
  // not taken are closed again in every case. A stream is already the connection.
  [[nodiscard]] ListenResult Listen(uint16_t port, const ListenRules& rules);
  [[nodiscard]] ListenResult Listen(uint16_t port);
  // Session thread: the address of the peer taken by the last Listen (0 for a stream).
  in_addr_t PeerAddress() const { return peerAddress_; }
  // errno of the last failed socket, bind or listen (0 when the last Listen got that far).
  int LastListenError() const;
  // Any thread: waits until the channel takes connections (a Listen has its socket
  // listening), is connected, or its last Listen failed; false after `timeoutMs`.
  [[nodiscard]] bool WaitReady(int timeoutMs) const;

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
  struct OpeningPeer;
  // Accepts what is waiting on `listener`, dropping peers that are not admitted.
  void AcceptPeers(int listener, const ListenRules& rules, std::vector<OpeningPeer>& peers) const;
  // Takes `peer` as the connection; false when a Close came in between.
  bool TakePeer(OpeningPeer& peer, uint64_t generation);

  UserNotifier* notifier_;
  mutable std::mutex mutex_;  // guards the fields below
  mutable std::condition_variable readyChanged_;  // listener_, connected_ or lastListenError_ set
  SocketPtr data_;
  SocketPtr listener_;
  IRAPIStream* stream_ = nullptr;
  bool connected_ = false;
  // Bumped by every Close or InterruptReads, so a Listen or Connect that raced with one gives
  // up instead of blocking on a socket nobody can wake any more.
  uint64_t generation_ = 0;
  int lastListenError_ = 0;
  // Session thread only: the opening bytes Listen read, handed out first by Receive.
  std::vector<uint8_t> opening_;
  size_t openingAt_ = 0;
  in_addr_t peerAddress_ = 0;
};

}  // namespace mirrodex
