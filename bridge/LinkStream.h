// The stream interface over one link channel: what CeRapiInvoke hands the desktop and what
// the bridge hands the agent's export. Release deletes the object (closing the channel if it
// is still open); nothing may use it afterwards.
// Threads: Read and Write from the stream's user, Close from any thread.
#pragma once

#include <memory>

#include "bridge/LinkChannel.h"
#include "protocol/IRAPIStream.h"

namespace mirrodex::bridge {

class LinkStream final : public IRAPIStream {
 public:
  explicit LinkStream(std::shared_ptr<LinkChannel> channel) : channel_(std::move(channel)) {}

  int32_t Read(void* buf, uint32_t size, uint32_t* read) override;
  int32_t Write(const void* buf, uint32_t size, uint32_t* written) override;
  void Close() override { channel_->Close(); }
  uint32_t Release() override;

 private:
  ~LinkStream() { channel_->Close(); }

  std::shared_ptr<LinkChannel> channel_;
};

}  // namespace mirrodex::bridge
