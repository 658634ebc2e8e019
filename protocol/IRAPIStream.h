// The byte stream handed to the agent's stream-mode exports and attached to desktop transports.
// COM-style results. Read and Write may be called from the owning session thread; Close from
// any thread, and it must wake a blocked Read or Write.
#pragma once

#include <cstdint>

namespace mirrodex {

inline constexpr int32_t kStreamOk = 0;
inline constexpr int32_t kStreamFail = static_cast<int32_t>(0x80004005u);
// A Read that returns this also counts as success (the bridge reports a short read this way).
inline constexpr int32_t kStreamShortRead = static_cast<int32_t>(0x8000FADEu);

class IRAPIStream {
 public:
  // Blocks until at least one byte, end of stream (S_OK with 0 bytes) or an error.
  virtual int32_t Read(void* buf, uint32_t size, uint32_t* read) = 0;
  virtual int32_t Write(const void* buf, uint32_t size, uint32_t* written) = 0;
  // Any thread: wakes a blocked Read or Write; later calls fail.
  virtual void Close() = 0;
  // The owner drops its reference.
  virtual uint32_t Release() = 0;

 protected:
  ~IRAPIStream() = default;
};

inline bool IsStreamReadSuccess(int32_t result) {
  return result == kStreamOk || result == kStreamShortRead;
}

}  // namespace mirrodex
