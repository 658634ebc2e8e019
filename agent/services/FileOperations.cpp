#include "agent/services/FileOperations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <optional>

#include "agent/services/ReplyWriter.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

// A name block that reads, converted to a checked path below the root (not the root itself).
// Sets `badBlock` when the block itself is malformed.
std::optional<DevicePath> TakeName(std::span<const uint8_t> payload, size_t& offset, bool& badBlock) {
  const auto block = ReadNameBlock(payload, offset);
  if (!block) {
    badBlock = true;
    return std::nullopt;
  }
  auto path = DevicePath::FromUtf16(*block, DevicePath::kMaxNameBlockUnits);
  if (path && path->IsRoot()) return std::nullopt;
  return path;
}

bool CopyBytes(int from, int to) {
  std::array<uint8_t, 65536> buffer;
  for (;;) {
    ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

}  // namespace

void FileOperations::Exists(std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestFileExists);
  const auto path = DevicePath::FromUtf16(payload, DevicePath::kMaxBarePathUnits);
  out.FinishEmpty(path && root_.Open(*path, O_PATH).Valid() ? 1 : 0);
}

void FileOperations::Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, code);
  const bool twoNames =
      code == kRequestRenameFile || code == kRequestRenameFolder || code == kRequestCopyFile;
  size_t offset = 0;
  bool badBlock = false;
  const auto first = TakeName(payload, offset, badBlock);
  std::optional<DevicePath> second;
  if (twoNames && !badBlock) second = TakeName(payload, offset, badBlock);
  if (badBlock) return out.FinishEmpty(kResultBadRequest);

  bool done = false;
  if (first && (!twoNames || second)) {
    switch (code) {
      case kRequestRenameFile:
      case kRequestRenameFolder: done = Rename(*first, *second); break;
      case kRequestDeleteFile: done = Remove(*first, 0); break;
      case kRequestCreateFolder: done = CreateFolder(*first); break;
      case kRequestRemoveFolder: done = Remove(*first, AT_REMOVEDIR); break;
      case kRequestCopyFile: done = Copy(*first, *second); break;
      default: break;
    }
  }
  out.FinishEmpty(done ? kDone : kFailed);
}

bool FileOperations::Rename(const DevicePath& from, const DevicePath& to) {
  const UniqueFd fromFolder = root_.OpenParent(from);
  const UniqueFd toFolder = root_.OpenParent(to);
  if (!fromFolder.Valid() || !toFolder.Valid()) return false;
  if (::renameat2(fromFolder.Get(), from.Leaf().c_str(), toFolder.Get(), to.Leaf().c_str(),
                  RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL) return false;
  // A file system without RENAME_NOREPLACE: check first, then rename.
  struct stat st {};
  if (::fstatat(toFolder.Get(), to.Leaf().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return false;
  return ::renameat(fromFolder.Get(), from.Leaf().c_str(), toFolder.Get(), to.Leaf().c_str()) == 0;
}

bool FileOperations::Remove(const DevicePath& path, int flags) {
  const UniqueFd folder = root_.OpenParent(path);
  return folder.Valid() && ::unlinkat(folder.Get(), path.Leaf().c_str(), flags) == 0;
}

bool FileOperations::CreateFolder(const DevicePath& path) {
  const UniqueFd folder = root_.OpenParent(path);
  return folder.Valid() && ::mkdirat(folder.Get(), path.Leaf().c_str(), 0777) == 0;
}

bool FileOperations::Copy(const DevicePath& from, const DevicePath& to) {
  struct stat source {};
  struct stat target {};
  const UniqueFd in = root_.OpenRegular(from, O_RDONLY, source);
  if (!in.Valid()) return false;
  const UniqueFd out = root_.OpenRegular(to, O_WRONLY | O_CREAT, target);
  if (!out.Valid()) return false;
  // Truncating a file onto itself would destroy it.
  if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) return false;
  if (::ftruncate(out.Get(), 0) != 0 || !CopyBytes(in.Get(), out.Get())) return false;
  // The copy keeps the source's last-write time, as the device's copy does.
  const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
  (void)::futimens(out.Get(), times);
  return true;
}

}  // namespace mirrodex
