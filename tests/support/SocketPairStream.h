// An IRAPIStream over one end of a socket pair, standing in for an agent stream in tests.
// Read and Write from one thread; Close from any thread wakes them. The test owns the object;
// Release only counts.
#pragma once

#include <atomic>
#include <cstdint>

#include "protocol/IRAPIStream.h"
#include "tests/support/TestSocket.h"

namespace mirrodex::test {

class SocketPairStream : public IRAPIStream {
 public:
  // Creates a connected pair: this stream holds one end; `peer` receives the other.
  explicit SocketPairStream(TestSocket& peer);
  // A stream over the other end of a pair (the agent's side); the socket keeps owning it.
  struct OtherEnd {
    TestSocket& socket;
  };
  explicit SocketPairStream(OtherEnd end);
  ~SocketPairStream();

  int32_t Read(void* buf, uint32_t size, uint32_t* read) override;
  int32_t Write(const void* buf, uint32_t size, uint32_t* written) override;
  void Close() override;
  uint32_t Release() override { return ++releases_; }

  bool WasClosed() const { return closed_; }
  uint32_t Releases() const { return releases_; }

 private:
  int fd_ = -1;
  bool ownsFd_ = true;
  std::atomic<bool> closed_{false};
  std::atomic<uint32_t> releases_{0};
};

}  // namespace mirrodex::test
