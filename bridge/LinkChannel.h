// One invoked stream's channel on the link, as either end sees it. Bytes the peer sends are
// held here (at most kStreamWindow of them, the credit this end has granted) until Read takes
// them; Write sends chunks while it has credit from the peer and waits for more otherwise, so
// a slow reader holds up only its own channel. Closing either end closes it for both.
// Threads: Read, Write and Close from any thread (the stream's users); Deliver, AddCredit,
// PeerClosed and LinkDown from the link's reading thread only, which never blocks here.
// Ownership: shared by the link's table and the stream object; keeps the link's I/O alive.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "bridge/LinkFrame.h"
#include "bridge/LinkIo.h"

namespace mirrodex::bridge {

class LinkChannel {
 public:
  // `onClosed` runs once, on whichever thread closes the channel first (locally, by the peer
  // or by the link going down), without the channel's lock held.
  LinkChannel(uint16_t id, std::shared_ptr<LinkIo> io, std::function<void(uint16_t)> onClosed = {});

  uint16_t Id() const { return id_; }

  // Blocks until at least one byte is held (true, `read` > 0), the peer closed the channel
  // and every held byte was read (true, `read` 0: end of stream), or this end closed it or the
  // link went down (false).
  [[nodiscard]] bool Read(void* buffer, uint32_t size, uint32_t& read);
  // Sends all `size` bytes; false when the channel or the link closed first.
  [[nodiscard]] bool Write(const void* buffer, uint32_t size);
  // Wakes a blocked Read or Write, tells the peer, and makes every later call fail.
  void Close();
  bool IsClosed() const;

  // Reading thread. False when the peer sent more than the credit it had (the link ends).
  [[nodiscard]] bool Deliver(std::span<const uint8_t> bytes);
  [[nodiscard]] bool AddCredit(uint32_t bytes);
  void PeerClosed();
  void LinkDown();

 private:
  // Grants the peer the bytes Read has taken since the last grant, once enough have gathered.
  void GrantCredit(std::unique_lock<std::mutex>& lock);
  void Closed();

  const uint16_t id_;
  const std::shared_ptr<LinkIo> io_;
  std::function<void(uint16_t)> onClosed_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> held_;
  size_t headOffset_ = 0;  // bytes of held_.front() already read
  uint64_t heldBytes_ = 0;
  uint64_t receiveAllowance_ = kStreamWindow;  // bytes the peer may still send
  uint32_t consumedSinceGrant_ = 0;
  uint64_t sendCredit_ = kStreamWindow;
  bool closedHere_ = false;
  bool peerClosed_ = false;
  bool linkDown_ = false;
  bool closeReported_ = false;
};

}  // namespace mirrodex::bridge
