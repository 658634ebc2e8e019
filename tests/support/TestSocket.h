// A blocking TCP socket for test peers: connect with retries, exact reads with a timeout.
// One thread uses a socket at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mirrodex::test {

class TestSocket {
 public:
  TestSocket() = default;
  explicit TestSocket(int fd) : fd_(fd) {}
  ~TestSocket();
  TestSocket(TestSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TestSocket& operator=(TestSocket&& other) noexcept;
  TestSocket(const TestSocket&) = delete;
  TestSocket& operator=(const TestSocket&) = delete;

  // Connects to 127.0.0.1:port, retrying while nobody listens, for up to `timeoutMs`.
  static TestSocket Connect(uint16_t port, int timeoutMs = 10000);

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  bool SendAll(std::span<const uint8_t> bytes);
  bool SendAll(const void* data, size_t length) {
    return SendAll({static_cast<const uint8_t*>(data), length});
  }
  // Reads exactly `length` bytes within `timeoutMs`; false on timeout, error or end.
  bool ReceiveExact(void* data, size_t length, int timeoutMs = 10000);
  // True when the peer ends the connection within `timeoutMs` (any bytes before are dropped).
  bool WaitForEnd(int timeoutMs);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace mirrodex::test
