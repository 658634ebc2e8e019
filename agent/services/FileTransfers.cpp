#include "agent/services/FileTransfers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "agent/services/ReplyWriter.h"
#include "protocol/Requests.h"

namespace mirrodex {

void FileTransfers::Read(bool fromStart, std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestReadFirst);
  if (fromStart) readOffset_ = 0;
  const auto path = DevicePath::FromUtf16(payload, DevicePath::kMaxBarePathUnits);
  struct stat st {};
  UniqueFd fd;
  if (path) fd = root_.OpenRegular(*path, O_RDONLY, st);
  if (!fd.Valid()) return out.FinishEmpty(kReadOpenFailed);

  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (readOffset_ > size) {  // the file shrank between chunks
    readOffset_ = 0;
    return out.FinishEmpty(kReadSeekFailed);
  }
  const uint64_t chunkEnd = size - readOffset_ <= kChunkBytes ? size : readOffset_ + kChunkBytes;
  const size_t base = reply.Size();
  reply.Resize(base + static_cast<size_t>(chunkEnd - readOffset_));
  uint64_t position = readOffset_;
  uint32_t result = chunkEnd == size ? kReadLastChunk : kReadMoreFollows;
  while (position < chunkEnd) {
    const ssize_t got = ::pread(fd.Get(), reply.Data() + base + (position - readOffset_),
                                static_cast<size_t>(chunkEnd - position), static_cast<off_t>(position));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      result = got < 0 ? kReadError : kReadShort;
      break;
    }
    position += static_cast<uint64_t>(got);
  }
  if (result == kReadError || result == kReadShort) {
    readOffset_ = 0;
    return out.FinishEmpty(result);
  }
  readOffset_ = position >= size ? 0 : position;
  out.Finish(result);
}

void FileTransfers::Write(bool truncate, std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestWriteFirst);
  size_t offset = 0;
  const auto name = ReadNameBlock(payload, offset);
  if (!name) return out.FinishEmpty(kResultBadRequest);
  const auto path = DevicePath::FromUtf16(*name, DevicePath::kMaxNameBlockUnits);
  struct stat st {};
  UniqueFd fd;
  if (path && !path->IsRoot()) fd = root_.OpenRegular(*path, truncate ? O_WRONLY | O_CREAT : O_WRONLY, st);
  if (!fd.Valid()) return out.FinishEmpty(kWriteOpenFailed);
  // Truncate only once the target is known to be a regular file.
  if (truncate ? ::ftruncate(fd.Get(), 0) != 0 : ::lseek(fd.Get(), 0, SEEK_END) < 0) {
    return out.FinishEmpty(kWriteSeekFailed);
  }
  std::span<const uint8_t> data = payload.subspan(offset);
  while (!data.empty()) {
    const ssize_t put = ::write(fd.Get(), data.data(), data.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return out.FinishEmpty(kWriteFailed);
    data = data.subspan(static_cast<size_t>(put));
  }
  out.FinishEmpty(kWriteDone);
}

}  // namespace mirrodex
