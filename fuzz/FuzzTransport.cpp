// Both ends' message readers fed a hostile peer's byte stream: the agent's CCommMgr (byte 0
// even) or the desktop's SessionTransport (odd), reading messages until the stream fails or
// ends. The peer's bytes arrive in reads of 1 to 64 bytes (byte 0, bits 1..6), as a network
// splits them. Every message read must stay within the payload limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "agent/session/CCommMgr.h"
#include "desktop/session/SessionTransport.h"

namespace {

using namespace mirrodex;

constexpr size_t kPayloadLimit = 1u << 16;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The peer: hands out the input in reads of `chunk` bytes, then the end of the stream.
class InputStream final : public IRAPIStream {
 public:
  InputStream(std::span<const uint8_t> bytes, size_t chunk) : bytes_(bytes), chunk_(chunk) {}
  int32_t Read(void* buf, uint32_t size, uint32_t* read) override {
    const size_t n = std::min({size_t{size}, chunk_, bytes_.size()});
    std::copy_n(bytes_.data(), n, static_cast<uint8_t*>(buf));
    bytes_ = bytes_.subspan(n);
    *read = static_cast<uint32_t>(n);
    return kStreamOk;
  }
  int32_t Write(const void*, uint32_t size, uint32_t* written) override {
    *written = size;
    return kStreamOk;
  }
  void Close() override { bytes_ = {}; }
  uint32_t Release() override { return 0; }

 private:
  std::span<const uint8_t> bytes_;
  size_t chunk_;
};

// The agent's message layer over the input alone.
class InputComm final : public CCommMgr {
 public:
  explicit InputComm(InputStream& stream) : stream_(stream) {}
  uint32_t Receive(void* buffer, uint32_t size) override {
    uint32_t read = 0;
    return stream_.Read(buffer, size, &read) == kStreamOk ? read : 0;
  }
  bool IsStream() const override { return true; }
  void AttachStream(IRAPIStream*) override {}
  uint32_t Send(const void*, uint32_t length) override { return length; }
  bool Connect(uint16_t) override { return true; }
  void Close() override {}
  void Interrupt() override {}
  bool WaitForInput(uint32_t) override { return true; }

 private:
  InputStream& stream_;
};

void ReadAsAgent(InputStream& stream) {
  InputComm comm(stream);
  comm.SetPayloadLimit(kPayloadLimit);
  for (;;) {
    const CCommMgr::Received received = comm.ReceiveMessage();
    if (received == CCommMgr::Received::kFailed) return;
    if (received == CCommMgr::Received::kData) Check(comm.Payload().size() <= kPayloadLimit);
  }
}

void ReadAsDesktop(InputStream& stream) {
  SessionTransport transport;
  transport.Channel().AttachStream(&stream);
  transport.SetPayloadLimit(kPayloadLimit);
  for (;;) {
    const SessionTransport::Received received = transport.ReceiveMessage();
    if (received == SessionTransport::Received::kFailed) return;
    if (received == SessionTransport::Received::kData) Check(transport.Payload().size() <= kPayloadLimit);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  InputStream stream({data + 1, size - 1}, 1 + ((data[0] >> 1) & 63));
  if (data[0] & 1) {
    ReadAsDesktop(stream);
  } else {
    ReadAsAgent(stream);
  }
  return 0;
}
