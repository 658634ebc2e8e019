#include "desktop/media/MovieOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace mirrodex {
namespace {

constexpr int kBufferSize = 64 * 1024;
// What an index needs at most per frame (AVI: 16 bytes; MOV: sizes, times and offsets), and a
// fixed part for headers rewritten at the end and the muxers' own buffers.
constexpr int64_t kReservePerFrame = 64;
constexpr int64_t kReserveFixed = 256 * 1024;
// The disk is claimed in steps of this size, so reserving costs one call now and then.
constexpr int64_t kReserveStep = 1024 * 1024;

}  // namespace

MovieOutput::~MovieOutput() {
  Abandon();
}

int MovieOutput::FileDescriptor() const {
  return fileno(file_.Stream());
}

MediaResult MovieOutput::Open(const std::filesystem::path& target) {
  Abandon();
  // Found now rather than when the finished movie cannot be moved over it.
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec))
    return MediaResult::Failure(OutputFile::DescribeError(EISDIR, target));
  if (MediaResult opened = file_.Open(target); !opened) return opened;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  context_ = buffer ? avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, &WritePacket, &Seek)
                    : nullptr;
  if (context_ == nullptr) {
    av_free(buffer);
    Abandon();
    return file_.StreamFailure(ENOMEM);
  }
  position_ = size_ = reserved_ = 0;
  canReserve_ = true;
  lastError_ = 0;
  return Reserve(0, 0);
}

MediaResult MovieOutput::Reserve(size_t bytes, uint64_t frames) {
  if (context_ == nullptr) return file_.StreamFailure(EBADF);
  if (!canReserve_) return MediaResult::Success();
  // Bytes still in FFmpeg's buffer count as written.
  const int64_t end = std::max(size_, avio_tell(context_));
  const int64_t needed = end + static_cast<int64_t>(bytes) + kReserveFixed +
                         kReservePerFrame * static_cast<int64_t>(frames + 1);
  if (needed <= reserved_) return MediaResult::Success();
  const int64_t claim = needed + kReserveStep;
  const int err = posix_fallocate(FileDescriptor(), 0, claim);
  if (err == EOPNOTSUPP || err == EINVAL) {
    canReserve_ = false;  // a file system that cannot reserve: write as far as it goes
    return MediaResult::Success();
  }
  if (err != 0) {
    // Short of a whole step: the exact need may still fit. The file stays as it was either way.
    const int exact = posix_fallocate(FileDescriptor(), 0, needed);
    if (exact != 0) return file_.StreamFailure(exact);
    reserved_ = needed;
    return MediaResult::Success();
  }
  reserved_ = claim;
  return MediaResult::Success();
}

int MovieOutput::WritePacket(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<MovieOutput*>(opaque);
  const int fd = self->FileDescriptor();
  int done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, static_cast<size_t>(size - done), self->position_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      self->lastError_ = n < 0 ? errno : ENOSPC;
      return AVERROR(self->lastError_);
    }
    done += static_cast<int>(n);
    self->position_ += n;
  }
  self->size_ = std::max(self->size_, self->position_);
  return size;
}

int64_t MovieOutput::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<MovieOutput*>(opaque);
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return self->size_;
    case SEEK_SET:
      break;
    case SEEK_CUR:
      offset += self->position_;
      break;
    case SEEK_END:
      offset += self->size_;
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (offset < 0) return AVERROR(EINVAL);
  self->position_ = offset;
  return offset;
}

MediaResult MovieOutput::Commit() {
  if (context_ == nullptr) return file_.StreamFailure(EBADF);
  avio_flush(context_);
  if (context_->error < 0 || lastError_ != 0) {
    const MediaResult failure = file_.StreamFailure(lastError_ != 0 ? lastError_ : EIO);
    Abandon();
    return failure;
  }
  if (ftruncate(FileDescriptor(), size_) != 0) {
    const MediaResult failure = file_.StreamFailure(errno);
    Abandon();
    return failure;
  }
  av_freep(&context_->buffer);
  avio_context_free(&context_);
  return file_.Commit();
}

void MovieOutput::Abandon() {
  if (context_ != nullptr) {
    av_freep(&context_->buffer);
    avio_context_free(&context_);
  }
  file_.Abandon();
}

}  // namespace mirrodex
