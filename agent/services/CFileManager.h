// The services of the device: clipboard, files, status and processes, one request at a time.
// Thread: the agent's screen-session thread calls Serve, one request after another.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/ByteBuffer.h"

namespace mirrodex {

class CFileManager {
 public:
  virtual ~CFileManager() = default;
  // Serves one request: appends exactly one reply (u32 status word, then the reply payload)
  // to `reply`. `payload` is the request's payload (after the request word).
  virtual void Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) = 0;
};

}  // namespace mirrodex
