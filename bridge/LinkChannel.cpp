#include "bridge/LinkChannel.h"

#include <algorithm>
#include <cstring>

#include "bridge/LinkFrame.h"
#include "protocol/LittleEndian.h"

namespace mirrodex::bridge {

namespace {

// Enough read to be worth a frame of its own; the window stays far larger.
constexpr uint32_t kGrantThreshold = kStreamWindow / 8;

bool SendFrame(LinkIo& io, uint16_t channel, FrameKind kind, std::span<const uint8_t> body) {
  uint8_t head[kFrameHeaderSize];
  EncodeFrameHeader({channel, kind, static_cast<uint32_t>(body.size())}, head);
  return io.WriteFrame(head, body);
}

}  // namespace

LinkChannel::LinkChannel(uint16_t id, std::shared_ptr<LinkIo> io,
                         std::function<void(uint16_t)> onClosed)
    : id_(id), io_(std::move(io)), onClosed_(std::move(onClosed)) {}

bool LinkChannel::Read(void* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closedHere_ || linkDown_ || heldBytes_ > 0 || peerClosed_; });
  if (closedHere_ || (linkDown_ && heldBytes_ == 0)) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (read < size && !held_.empty()) {
    auto& front = held_.front();
    const size_t take = std::min<size_t>(size - read, front.size() - headOffset_);
    std::memcpy(out + read, front.data() + headOffset_, take);
    read += static_cast<uint32_t>(take);
    headOffset_ += take;
    if (headOffset_ == front.size()) {
      held_.pop_front();
      headOffset_ = 0;
    }
  }
  heldBytes_ -= read;
  consumedSinceGrant_ += read;
  if (!peerClosed_ && !linkDown_) GrantCredit(lock);
  return true;
}

void LinkChannel::GrantCredit(std::unique_lock<std::mutex>& lock) {
  if (consumedSinceGrant_ < kGrantThreshold) return;
  const uint32_t grant = consumedSinceGrant_;
  consumedSinceGrant_ = 0;
  receiveAllowance_ += grant;
  lock.unlock();
  uint8_t body[4];
  StoreU32(body, grant);
  // A failed send means the link is going down; the reading thread will say so.
  (void)SendFrame(*io_, id_, FrameKind::kCredit, body);
  lock.lock();
}

bool LinkChannel::Write(const void* buffer, uint32_t size) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  uint32_t sent = 0;
  while (sent < size) {
    uint32_t chunk = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock,
                    [&] { return closedHere_ || peerClosed_ || linkDown_ || sendCredit_ > 0; });
      if (closedHere_ || peerClosed_ || linkDown_) return false;
      chunk =
          static_cast<uint32_t>(std::min<uint64_t>({size - sent, kMaxStreamChunk, sendCredit_}));
      sendCredit_ -= chunk;
    }
    if (!SendFrame(*io_, id_, FrameKind::kData, {bytes + sent, chunk})) return false;
    sent += chunk;
  }
  return true;
}

void LinkChannel::Close() {
  bool tellPeer = false;
  {
    std::lock_guard lock(mutex_);
    if (closedHere_) return;
    closedHere_ = true;
    tellPeer = !peerClosed_ && !linkDown_;
  }
  changed_.notify_all();
  if (tellPeer) (void)SendFrame(*io_, id_, FrameKind::kClose, {});
  Closed();
}

bool LinkChannel::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closedHere_ || peerClosed_ || linkDown_;
}

bool LinkChannel::Deliver(std::span<const uint8_t> bytes) {
  {
    std::lock_guard lock(mutex_);
    if (bytes.size() > receiveAllowance_) return false;
    receiveAllowance_ -= bytes.size();
    // After this end closed, or once the peer said it was done, the bytes are not wanted.
    if (closedHere_ || peerClosed_ || bytes.empty()) return true;
    held_.emplace_back(bytes.begin(), bytes.end());
    heldBytes_ += bytes.size();
  }
  changed_.notify_all();
  return true;
}

bool LinkChannel::AddCredit(uint32_t bytes) {
  {
    std::lock_guard lock(mutex_);
    // More credit in flight than one window means the peer lies about what it read.
    if (sendCredit_ + bytes > kStreamWindow) return false;
    sendCredit_ += bytes;
  }
  changed_.notify_all();
  return true;
}

void LinkChannel::PeerClosed() {
  {
    std::lock_guard lock(mutex_);
    peerClosed_ = true;
  }
  changed_.notify_all();
  Closed();
}

void LinkChannel::LinkDown() {
  {
    std::lock_guard lock(mutex_);
    linkDown_ = true;
  }
  changed_.notify_all();
  Closed();
}

void LinkChannel::Closed() {
  std::function<void(uint16_t)> report;
  {
    std::lock_guard lock(mutex_);
    if (closeReported_) return;
    closeReported_ = true;
    report = std::move(onClosed_);
  }
  if (report) report(id_);
}

}  // namespace mirrodex::bridge
