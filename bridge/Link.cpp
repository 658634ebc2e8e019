#include "bridge/Link.h"

#include <vector>

#include "bridge/LinkFrame.h"
#include "protocol/LittleEndian.h"

namespace mirrodex::bridge {

Link::Link(int readFd, int writeFd, CallSink onCall, DownSink onDown)
    : io_(std::make_shared<LinkIo>(readFd, writeFd)),
      table_(std::make_shared<Table>()),
      onCall_(std::move(onCall)),
      onDown_(std::move(onDown)) {}

Link::~Link() {
  Stop();
}

void Link::Start() {
  reader_ = std::thread([this] { ReadLoop(); });
}

void Link::Stop() {
  GoDown("the link was closed");
  if (reader_.joinable()) reader_.join();
}

void Link::SetChannelClosedSink(std::function<void()> onClosed) {
  std::lock_guard lock(table_->mutex);
  table_->onClosed = std::move(onClosed);
}

bool Link::SendCall(std::span<const uint8_t> body) {
  if (down_ || body.size() > kMaxCallBody) return false;
  uint8_t head[kFrameHeaderSize];
  EncodeFrameHeader({kCallChannel, FrameKind::kData, static_cast<uint32_t>(body.size())}, head);
  return io_->WriteFrame(head, body);
}

std::shared_ptr<LinkChannel> Link::OpenChannel(uint16_t id) {
  if (id == kCallChannel || down_) return nullptr;
  std::weak_ptr<Table> weakTable = table_;
  auto channel = std::make_shared<LinkChannel>(id, io_, [weakTable](uint16_t closed) {
    const auto table = weakTable.lock();
    if (!table) return;
    std::function<void()> report;
    {
      std::lock_guard lock(table->mutex);
      table->channels.erase(closed);
      report = table->onClosed;
    }
    if (report) report();
  });
  {
    std::lock_guard lock(table_->mutex);
    if (table_->channels.size() >= kMaxChannels || table_->channels.count(id) != 0) return nullptr;
    table_->channels.emplace(id, channel);
  }
  // The link may have gone down between the check and the registration.
  if (down_) channel->LinkDown();
  return channel;
}

size_t Link::OpenChannels() const {
  std::lock_guard lock(table_->mutex);
  return table_->channels.size();
}

std::string Link::DownReason() const {
  std::lock_guard lock(reasonMutex_);
  return reason_;
}

std::shared_ptr<LinkChannel> Link::Find(uint16_t id) const {
  std::lock_guard lock(table_->mutex);
  const auto it = table_->channels.find(id);
  return it == table_->channels.end() ? nullptr : it->second;
}

void Link::ReadLoop() {
  FrameParser parser([this](const FrameHeader& header, std::span<const uint8_t> body) {
    return OnFrame(header, body);
  });
  std::vector<uint8_t> buffer(256 * 1024);
  for (;;) {
    const ssize_t n = io_->ReadSome(buffer.data(), buffer.size());
    if (n <= 0) {
      GoDown(n == 0 ? "the other end closed the link" : "the link was closed or failed");
      return;
    }
    if (!parser.Feed({buffer.data(), static_cast<size_t>(n)})) {
      GoDown("the other end sent " + parser.Error());
      return;
    }
  }
}

bool Link::OnFrame(const FrameHeader& header, std::span<const uint8_t> body) {
  if (header.channel == kCallChannel) return onCall_(body);
  // A channel this end has already closed may still receive what was in flight.
  const auto channel = Find(header.channel);
  if (!channel) return true;
  switch (header.kind) {
    case FrameKind::kData:
      return channel->Deliver(body);
    case FrameKind::kCredit:
      return channel->AddCredit(LoadU32(body.data()));
    case FrameKind::kClose:
      channel->PeerClosed();
      return true;
  }
  return false;
}

void Link::GoDown(const std::string& reason) {
  if (down_.exchange(true)) return;
  {
    std::lock_guard lock(reasonMutex_);
    reason_ = reason;
  }
  io_->Stop();
  // The owner learns first, so whoever sees a stream fail finds the link's failure recorded.
  if (onDown_) onDown_(reason);
  std::map<uint16_t, std::shared_ptr<LinkChannel>> channels;
  {
    std::lock_guard lock(table_->mutex);
    channels = table_->channels;
  }
  for (auto& [id, channel] : channels) channel->LinkDown();
}

}  // namespace mirrodex::bridge
