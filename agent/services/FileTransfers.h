// File reads in chunks (codes 7 and 8) and file writes (codes 9 and 10). The read offset
// survives between requests: code 7 starts at 0, code 8 goes on; reaching the file end or a
// failed chunk sets it back to 0.
// Thread: the screen-session thread only.
#pragma once

#include <cstdint>
#include <span>

#include "agent/services/FileRoot.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

class FileTransfers {
 public:
  static constexpr uint64_t kChunkBytes = 30000;

  enum ReadResult : uint32_t {
    kReadLastChunk = 0,
    kReadMoreFollows = 1,
    kReadOpenFailed = 2,
    kReadSeekFailed = 3,
    kReadError = 4,
    kReadShort = 5,
  };
  enum WriteResult : uint32_t {
    kWriteDone = 0,
    kWriteOpenFailed = 2,
    kWriteSeekFailed = 3,
    kWriteFailed = 5,
  };

  explicit FileTransfers(const FileRoot& root) : root_(root) {}

  // Code 7 (fromStart) or 8: the next chunk of the file named by the whole payload.
  void Read(bool fromStart, std::span<const uint8_t> payload, ByteBuffer& reply);
  // Code 9 (truncate) or 10 (append): a name block, then the bytes to write.
  void Write(bool truncate, std::span<const uint8_t> payload, ByteBuffer& reply);

 private:
  const FileRoot& root_;
  uint64_t readOffset_ = 0;
};

}  // namespace mirrodex
